// Stations compared on one time axis: each station's samples at their own times, a break wherever a
// station recorded nothing, a period cutting every station alike, and stations read through the
// archive's store with their calibrations.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>

#include "archive/AuditTrail.h"
#include "archive/CalibrationStore.h"
#include "archive/DownloadArchive.h"
#include "archive/StationStore.h"
#include "record/StationComparison.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/record/RecordTestDownloads.h"

namespace {

using namespace record;
using namespace record_test;

double At(const char* iso) {
  return static_cast<double>(*WallClockFromIso(iso));
}

// The line's times, with "break" for a gap's point (both values NaN).
std::vector<std::string> Shape(const ComparedStation& line) {
  std::vector<std::string> shape;
  for (std::size_t i = 0; i < line.seconds.size(); ++i) {
    const bool gap = std::isnan(line.temperature[i]) && std::isnan(line.humidity[i]);
    EXPECT_EQ(std::isnan(line.temperature[i]), std::isnan(line.humidity[i])) << i;
    shape.push_back(gap ? "break" : std::to_string(static_cast<long long>(line.seconds[i])));
  }
  return shape;
}

std::string T(const char* iso) {
  return std::to_string(static_cast<long long>(At(iso)));
}

StationRecord RecordOf(const std::vector<std::string>& downloads) {
  RecordAssembler assembler;
  std::int64_t id = 0;
  for (const std::string& text : downloads) {
    DownloadSummary summary;
    summary.id = ++id;
    assembler.Add(summary, text);
  }
  return assembler.Finish();
}

TEST(StationComparison, StationsOfDifferentRatesShareTheAxisAndBreakWhereTheyRecordedNothing) {
  // Every 5 minutes: 14:10 to 14:25, then a new recording 15:05 to 15:15.
  const StationRecord norte =
      RecordOf({Download({12, 7, 14, 5}, Readings(4)), Download({12, 7, 15, 0}, Readings(3))});
  // Every 10 minutes, 14:10 to 14:50, the sample of 14:30 read by no download.
  StationRecord sur = RecordOf({Download({12, 7, 14, 0, 3}, Readings(5))});
  sur.segments.at(0).samples.at(2).hasValues = false;

  const Comparison all =
      CompareLines({CompareStation("norte", norte, {}), CompareStation("sur", sur, {})});
  ASSERT_EQ(all.stations.size(), 2u);
  const ComparedStation& n = all.stations[0];
  EXPECT_EQ(n.name, "norte");
  EXPECT_EQ(Shape(n),
            (std::vector<std::string>{T("2026-12-07T14:10:00"), T("2026-12-07T14:15:00"),
                                      T("2026-12-07T14:20:00"), T("2026-12-07T14:25:00"), "break",
                                      T("2026-12-07T15:05:00"), T("2026-12-07T15:10:00"),
                                      T("2026-12-07T15:15:00")}));
  EXPECT_EQ(n.samples, 7u);
  // The break lies between its neighbours, so the times still ascend.
  EXPECT_DOUBLE_EQ(n.seconds[4], At("2026-12-07T14:45:00"));
  EXPECT_DOUBLE_EQ(n.humidity[5], Humidity(1860));

  const ComparedStation& s = all.stations[1];
  EXPECT_EQ(Shape(s),
            (std::vector<std::string>{T("2026-12-07T14:10:00"), T("2026-12-07T14:20:00"), "break",
                                      T("2026-12-07T14:40:00"), T("2026-12-07T14:50:00")}));
  EXPECT_EQ(s.samples, 4u);
  EXPECT_DOUBLE_EQ(s.humidity[3], Humidity(1863));
  EXPECT_DOUBLE_EQ(s.temperature[3], 23.5);
  EXPECT_DOUBLE_EQ(all.first, At("2026-12-07T14:10:00"));
  EXPECT_DOUBLE_EQ(all.last, At("2026-12-07T15:15:00"));

  // A period cuts every station alike, both ends included; no line begins or ends with a break.
  const TimeWindow window{*WallClockFromIso("2026-12-07T14:20:00"),
                          *WallClockFromIso("2026-12-07T14:40:00")};
  const Comparison cut =
      CompareLines({CompareStation("norte", norte, window), CompareStation("sur", sur, window)});
  EXPECT_EQ(Shape(cut.stations[0]),
            (std::vector<std::string>{T("2026-12-07T14:20:00"), T("2026-12-07T14:25:00")}));
  EXPECT_EQ(Shape(cut.stations[1]), (std::vector<std::string>{T("2026-12-07T14:20:00"), "break",
                                                              T("2026-12-07T14:40:00")}));
  EXPECT_DOUBLE_EQ(cut.first, At("2026-12-07T14:20:00"));
  EXPECT_DOUBLE_EQ(cut.last, At("2026-12-07T14:40:00"));
  EXPECT_FALSE(cut.empty());
}

TEST(StationComparison, ReadsStationsThroughTheStoreCorrectedAndGivesAnEmptyLineForOneWithout) {
  archive_test::TempFolder folder;
  const std::string path = folder.File("descargas.sqlite");
  {
    DownloadArchive archive(path);
    NewDownload download;
    download.station = "norte";
    download.rawText = Download({12, 7, 14, 5}, Readings(3));
    archive.Add(download);
    StationStore(path).Add({"vacia", "/dev/serial/by-id/vacia", 1500, std::chrono::hours(24)});
    Calibration calibration;
    calibration.station = "norte";
    calibration.temperatureOffset = -0.5;
    calibration.certificate = "C-1";
    calibration.certificateDate = calibration.appliesFrom = "2026-01-01";
    calibration.due = "2027-01-01";
    CalibrationStore(path).Set(calibration, CurrentActor("test", "0"), "prueba");
  }
  std::unique_ptr<ArchiveStore> store = DiskArchiveModule().Open(path);
  int opened = 0;
  auto open = [&]() -> ArchiveStore& {
    ++opened;
    return *store;
  };
  ComparisonRecords records;
  const Comparison first = records.Compare(open, {"vacia", "norte", "desconocida"}, {});
  EXPECT_EQ(opened, 1);
  ASSERT_EQ(first.stations.size(), 3u);
  EXPECT_EQ(first.stations[0].name, "vacia");
  EXPECT_TRUE(first.stations[0].seconds.empty());
  EXPECT_TRUE(first.stations[2].seconds.empty());
  ASSERT_EQ(first.stations[1].samples, 3u);
  EXPECT_DOUBLE_EQ(first.stations[1].temperature[0], 23.0);  // 23.5 as read, corrected by -0.5

  // Another period, and a station alone, read nothing again.
  const Comparison again =
      records.Compare(open, {"norte"}, {*WallClockFromIso("2026-12-07T14:15:00"), std::nullopt});
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(again.stations.at(0).samples, 2u);

  // Stations without samples compare as empty, with no span.
  const Comparison none = records.Compare(open, {"vacia"}, {});
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(none.first, 0);
  EXPECT_EQ(none.last, 0);
}

}  // namespace
