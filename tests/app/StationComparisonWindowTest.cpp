// The comparison window on a real archive file, opened from the stations window: every station of
// the archive is listed and ticked, each drawn as a line of its own colour on both charts, a period
// cuts them on the logger's clock, and unticking a station takes its line away.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QListWidget>
#include <QTimer>
#include <chrono>
#include <filesystem>

#include "app/StationComparisonWindow.h"
#include "app/StationsWindow.h"
#include "archive/DownloadArchive.h"
#include "archive/StationStore.h"
#include "charts/ComparisonCharts.h"
#include "charts/LineChart.h"
#include "tests/data/DataWindowDownloads.h"
#include "widgets/ColorButton.h"

namespace {

using data_window_test::DownloadText;
using data_window_test::Fields;
using data_window_test::SampleLine;
namespace fs = std::filesystem;

// `count` samples from 2026-12-07 at `hour`:00, rate code `rateCode`.
std::string Recording(int hour, int rateCode, int count) {
  std::vector<std::string> lines;
  for (int k = 0; k < count; ++k) lines.push_back(SampleLine(1800 + 9 * k, 700 + 4 * k));
  return DownloadText(Fields(26, 12, 7, 0), Fields(0, hour, rateCode, 0), lines);
}

struct DrawnLine {
  QString name;
  int points = 0;
  QColor colour;
};

std::vector<DrawnLine> Lines(const LineChart* chart) {
  std::vector<DrawnLine> lines;
  if (!chart) return lines;
  for (const QCPGraph* graph : ComparisonLines(*chart))
    lines.push_back({graph->name(), graph->data()->size(), graph->pen().color()});
  return lines;
}

TEST(StationComparisonWindow, OpensFromTheStationsWindowWithOneLinePerStation) {
  const fs::path folder = fs::path(testing::TempDir()) / "velmorante-comparison-window";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string path = (folder / "archive.sqlite").string();
  {
    StationStore stations(path);
    for (const char* name : {"bodega", "invernadero", "nave"})
      stations.Add({name, std::string("/dev/serial/by-id/") + name, 1500, std::chrono::hours(24)});
    DownloadArchive archive(path);
    NewDownload download;
    download.program = "test";
    download.station = "bodega";
    download.rawText = Recording(14, 3, 6);  // every 10 minutes
    archive.Add(download);
    download.station = "invernadero";
    download.rawText = Recording(14, 2, 9);  // every 5 minutes
    archive.Add(download);
  }

  StationsWindow stations([&] { return path; });
  stations.show();
  QStringList listed;
  std::vector<DrawnLine> temperature, humidity, untilHalfPast, afterRefusal, afterUntick;
  QString place, refusedPlace;
  auto* look = new QTimer(&stations);
  look->setInterval(20);
  QObject::connect(look, &QTimer::timeout, &stations, [&] {
    auto* window = stations.findChild<StationComparisonWindow*>();
    if (!window || !window->isVisible()) return;
    look->stop();
    for (int row = 0; row < window->StationList()->count(); ++row) {
      const QListWidgetItem* item = window->StationList()->item(row);
      listed << item->text() + (item->checkState() == Qt::Checked ? "+" : "-");
    }
    temperature = Lines(window->TemperatureChart());
    humidity = Lines(window->HumidityChart());
    place = window->PlaceText();
    // Up to 14:30 on the logger's clock, that minute included.
    window->ToEdit()->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(14, 30), Qt::UTC));
    window->ToBox()->setChecked(true);
    untilHalfPast = Lines(window->HumidityChart());
    // A period ending before it starts is refused and the charts stay as they were.
    window->FromEdit()->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(14, 31), Qt::UTC));
    window->FromBox()->setChecked(true);
    refusedPlace = window->PlaceText();
    afterRefusal = Lines(window->HumidityChart());
    window->FromBox()->setChecked(false);
    window->ToBox()->setChecked(false);
    window->StationList()->item(0)->setCheckState(Qt::Unchecked);
    afterUntick = Lines(window->TemperatureChart());
    window->close();
  });
  look->start();
  stations.CompareButton()->click();  // modal: returns once the window has closed

  EXPECT_EQ(listed, (QStringList{"bodega+", "invernadero+", "nave+"}));
  ASSERT_EQ(temperature.size(), 3u);
  EXPECT_EQ(temperature[0].name, "bodega");
  EXPECT_EQ(temperature[0].points, 6);
  EXPECT_EQ(temperature[1].name, "invernadero");
  EXPECT_EQ(temperature[1].points, 9);
  EXPECT_EQ(temperature[2].name, "nave (sin muestras)");
  EXPECT_EQ(temperature[2].points, 0);
  ASSERT_EQ(humidity.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(temperature[k].colour, StationComparisonWindow::StationColour(k)) << k;
    EXPECT_EQ(humidity[k].colour, temperature[k].colour) << k;
    EXPECT_EQ(humidity[k].points, temperature[k].points) << k;
  }
  EXPECT_NE(temperature[0].colour, temperature[1].colour);
  EXPECT_TRUE(place.startsWith("15 muestras de 3 estaciones, del 07/12/2026 14:05 al"))
      << place.toStdString();
  ASSERT_EQ(untilHalfPast.size(), 3u);
  EXPECT_EQ(untilHalfPast[0].points, 3);  // 14:10, 14:20, 14:30
  EXPECT_EQ(untilHalfPast[1].points, 6);  // 14:05 to 14:30
  EXPECT_TRUE(refusedPlace.contains("no vale")) << refusedPlace.toStdString();
  ASSERT_EQ(afterRefusal.size(), 3u);
  EXPECT_EQ(afterRefusal[0].points, 3);
  // The station left keeps its colour.
  ASSERT_EQ(afterUntick.size(), 2u);
  EXPECT_EQ(afterUntick[0].name, "invernadero");
  EXPECT_EQ(afterUntick[0].colour, StationComparisonWindow::StationColour(1));
}

}  // namespace
