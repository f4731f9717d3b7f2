// A station's record from the history window, on a real archive file: the data window shows every
// sample of the station's downloads once, numbered across its recordings, with the same texts as a
// decoded download, and refuses to save it as if it were one download; a long notice is shown
// whole.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTimer>
#include <chrono>
#include <filesystem>

#include "app/DownloadArchiver.h"
#include "app/DownloadHistoryWindow.h"
#include "archive/DownloadArchive.h"
#include "data/DownloadSource.h"
#include "data/SampleDecoder.h"
#include "data_ui/Unit5.h"
#include "tests/data/DataWindowDownloads.h"
#include "window_base/ErrorReport.h"
#include "window_base/ModalWindow.h"

namespace {

using data_window_test::DownloadText;
using data_window_test::Fields;
using data_window_test::SampleLine;
using std::chrono::system_clock;
namespace fs = std::filesystem;

std::string Recording(int day, int count, int firstReading = 1800) {
  std::vector<std::string> lines;
  for (int k = 0; k < count; ++k) lines.push_back(SampleLine(firstReading + 7 * k, 700 + 3 * k));
  return DownloadText(Fields(26, 12, day, 0), Fields(0, 10, 2, 0), lines);
}

// Closes `window` as soon as it has been shown modally.
void CloseWhenShown(QWidget* window) {
  auto* timer = new QTimer(window);
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, window, [timer, window] {
    if (!window->isVisible()) return;
    timer->deleteLater();
    timer->stop();
    window->close();
  });
  timer->start();
}

TEST(StationRecordWindow, OpensEveryStationSampleOnceNumberedAcrossRecordings) {
  const fs::path folder = fs::path(testing::TempDir()) / "velmorante-station-record";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string path = (folder / "archive.sqlite").string();
  const std::string second = Recording(2, 2, 2000);
  {
    DownloadArchive archive(path);
    const system_clock::time_point t0 = system_clock::now() - std::chrono::hours(5);
    auto add = [&](const std::string& text, const std::string& station, int hour) {
      NewDownload download;
      download.rawText = text;
      download.receivedAt = t0 + std::chrono::hours(hour);
      download.port = "/dev/serial/by-id/test";
      download.program = "test";
      download.station = station;
      archive.Add(download);
    };
    // The second download of the first recording carries its three samples again and two more.
    add(Recording(1, 3), "invernadero", 0);
    add(Recording(1, 5), "invernadero", 1);
    add(second, "invernadero", 2);
    add(Recording(3, 9), "bodega", 3);
    add(Recording(4, 4), "", 4);  // the operator's own download: no station's
  }
  QStringList errors;
  SetErrorReportObserver([&](const QString& text) { errors << text; }, false);
  DownloadArchiver archiver(
      path, "test", [] { return system_clock::now(); }, nullptr);
  TForm5 data;
  DownloadHistoryWindow history(archiver, &data);

  EXPECT_EQ(history.StationNames(), (QStringList{"bodega", "invernadero"}));

  CloseWhenShown(&data);
  ASSERT_TRUE(history.OpenStation(QStringLiteral("invernadero")));
  ASSERT_EQ(data.RowCount(), 1 + 5 + 2);
  for (int row = 1; row < data.RowCount(); ++row) EXPECT_EQ(data.Cell(0, row).toInt(), row);
  // The second recording's rows read as its own download's rows, only numbered on from 6.
  const SampleTable decoded = SampleDecoder().Decode(second);
  for (int k = 1; k <= 2; ++k) {
    for (int column = 1; column < 5; ++column) {
      EXPECT_EQ(data.Cell(column, 5 + k).toStdString(), decoded.rows[k][column]) << k;
    }
  }
  EXPECT_EQ(data.Cell(1, 1), QStringLiteral("01/12/2026"));
  EXPECT_FALSE(data.CanSave());
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();

  // A name the archive does not know is reported and the data window is not opened.
  EXPECT_FALSE(history.OpenStation(QStringLiteral("nave")));
  EXPECT_EQ(errors.size(), 1);

  // A notice of many lines (a record with its calibrations' notes) is shown whole: the window
  // grows to hold it.
  QString longNotice = QStringLiteral("REGISTRO DE LA ESTACIÓN invernadero.");
  for (int k = 0; k < 6; ++k)
    longNotice += QStringLiteral(
                      " Calibración C-%1 caducada el 10/01/2026: los valores se "
                      "corrigieron con ella.")
                      .arg(k);
  data.ShowTableOnce(SampleDecoder().Decode(second), {}, longNotice, QStringLiteral("no"));
  CloseWhenShown(&data);
  ShowModal(&data);
  const QLabel* notice = data.findChild<QLabel*>(QStringLiteral("Notice"));
  ASSERT_NE(notice, nullptr);
  EXPECT_GE(notice->height(), notice->heightForWidth(notice->width()));
  EXPECT_LE(notice->geometry().bottom(), data.height());

  // A saved table's first rows give its rate, and its start one rate before its first sample.
  data.ShowTableOnce(
      *ParseSavedTable("28/02/2026  23:55:00  50,0  23,5\r\n"
                       "01/03/2026  00:05:00  50,4  23,6\r\n"));
  CloseWhenShown(&data);
  ShowModal(&data);
  EXPECT_EQ(data.StartDate(), QStringLiteral("28/02/2026"));
  EXPECT_EQ(data.StartTime(), QStringLiteral("23:45:00"));
  EXPECT_EQ(data.RateText(), QStringLiteral("CADA 10 MINUTOS"));

  // The next showing of the download's own table can be saved again.
  CloseWhenShown(&data);
  ShowModal(&data);
  EXPECT_TRUE(data.CanSave());
  SetErrorReportObserver({});
}

}  // namespace
