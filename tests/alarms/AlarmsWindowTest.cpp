// The alarms window on a real archive file: open alarms above past ones, and an acknowledgement
// kept only with a comment.
#include <gtest/gtest.h>

#include <QTableWidget>

#include "alarms/AlarmStore.h"
#include "app/AlarmsWindow.h"
#include "archive/StationStore.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "widgets/ColorButton.h"
#include "window_base/ErrorReport.h"

namespace {

Alarm Excursion(const std::string& startedAt, std::optional<std::string> endedAt) {
  Alarm alarm;
  alarm.station = "camara1";
  alarm.kind = AlarmKind::kTemperatureHigh;
  alarm.limit = 8;
  alarm.startedAt = startedAt;
  alarm.samples = 3;
  alarm.minutes = 15;
  alarm.peak = 9.5;
  alarm.endedAt = std::move(endedAt);
  return alarm;
}

QString Cell(const QTableWidget* table, int row, int column) {
  const QTableWidgetItem* item = table->item(row, column);
  return item ? item->text() : QString();
}

TEST(AlarmsWindow, OpenAlarmsComeFirstAndAreAcknowledgedOnlyWithAComment) {
  archive_test::TempFolder folder;
  const std::string path = folder.File("archivo.sqlite");
  StationSettings station;
  station.name = "camara1";
  station.port = "/dev/ttyUSB0";
  StationStore(path).Add(station);
  std::int64_t openId = 0;
  {
    AlarmStore store(path);
    store.Raise(Excursion("2026-12-06T10:00:00", "2026-12-06T10:15:00"));
    openId = store.Raise(Excursion("2026-12-07T14:05:00", std::nullopt)).id;
    store.Raise(Excursion("2026-12-08T09:00:00", "2026-12-08T09:20:00"));
  }
  QStringList errors;
  SetErrorReportObserver([&errors](const QString& text) { errors << text; }, false);
  std::optional<QString> answer;
  AlarmsWindow window([&path] { return path; });
  window.SetCommentQuestion([&answer](QWidget*, const Alarm&) { return answer; });
  window.Refresh();

  QTableWidget* table = window.Table();
  ASSERT_EQ(table->rowCount(), 3);
  EXPECT_EQ(Cell(table, 0, 0), QStringLiteral("ABIERTA"));
  EXPECT_EQ(Cell(table, 0, 2), QStringLiteral("Temperatura alta"));
  EXPECT_EQ(Cell(table, 0, 5), QStringLiteral("07/12/2026 14:05:00"));
  EXPECT_EQ(Cell(table, 1, 5), QStringLiteral("08/12/2026 09:00:00"));
  EXPECT_EQ(Cell(table, 2, 6), QStringLiteral("06/12/2026 10:15:00"));
  EXPECT_FALSE(window.AcknowledgeButton()->isEnabled());  // nothing chosen

  table->selectRow(0);
  ASSERT_TRUE(window.AcknowledgeButton()->isEnabled());
  // Cancelled, then a blank comment: nothing is kept, and the blank one is refused aloud.
  window.AcknowledgeChosen();
  answer = QStringLiteral("   ");
  window.AcknowledgeChosen();
  EXPECT_EQ(errors.size(), 1);
  EXPECT_FALSE(AlarmStore(path, ArchiveAccess::kReadOnly).Find(openId)->acknowledgement);

  answer = QStringLiteral("puerta abierta durante la carga");
  window.AcknowledgeChosen();
  const std::optional<Alarm> kept = AlarmStore(path, ArchiveAccess::kReadOnly).Find(openId);
  ASSERT_TRUE(kept && kept->acknowledgement);
  EXPECT_EQ(kept->acknowledgement->comment, "puerta abierta durante la carga");
  EXPECT_TRUE(Cell(table, 0, 9).endsWith(QStringLiteral("puerta abierta durante la carga")));
  // The acknowledged alarm stays chosen, and cannot be acknowledged twice.
  EXPECT_EQ(table->currentRow(), 0);
  EXPECT_FALSE(window.AcknowledgeButton()->isEnabled());
  EXPECT_EQ(errors.size(), 1);

  SetErrorReportObserver(nullptr);
}

}  // namespace
