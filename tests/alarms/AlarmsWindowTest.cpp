// The alarms window on a real archive file: open alarms above past ones, and an acknowledgement
// kept only with a comment.
#include <gtest/gtest.h>

#include <QRegularExpression>
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

// The station's own alarms give their limits and peaks with what they count, and an
// acknowledgement's time reads as the other times do.
TEST(AlarmsWindow, LimitsAndPeaksHaveUnitsAndTheAcknowledgementALocalTime) {
  Alarm memory;
  memory.kind = AlarmKind::kMemory;
  memory.limit = 1800;
  memory.peak = 1850;
  memory.startedAt = "2026-12-07T14:05:00";
  memory.acknowledgement = AlarmAcknowledgement{"ana", "2026-12-08T16:40:02+01:00", "visto"};
  const std::vector<std::string> row = AlarmRowTexts(memory);
  EXPECT_EQ(row[4], "1800 muestras");
  EXPECT_EQ(row[8], "1850 muestras");
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^ana, \\d\\d/12/2026 \\d\\d:\\d\\d:02: visto$"))
                  .match(QString::fromStdString(row[9]))
                  .hasMatch())
      << row[9];
  Alarm drift;
  drift.kind = AlarmKind::kClockDrift;
  drift.limit = 120;
  drift.peak = -185;
  EXPECT_EQ(AlarmRowTexts(drift)[4], "120 s");
  EXPECT_EQ(AlarmRowTexts(drift)[8], "-185 s");
  Alarm humidity = memory;
  humidity.kind = AlarmKind::kHumidityHigh;
  humidity.limit = 70;
  EXPECT_EQ(AlarmRowTexts(humidity)[4], "70,00 %HR");
}

}  // namespace
