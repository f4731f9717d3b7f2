// `velmorante-cli mapping`, the built program on an archive file with stations' downloads and a
// rule: the figures of every station, one without samples, the refusals, and an archive only read.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "alarms/AlarmStore.h"
#include "archive/DownloadArchive.h"
#include "archive/StationStore.h"
#include "data/ChannelValueText.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/data/DataWindowDownloads.h"
#include "tests/sim/CliProcess.h"

namespace {

using namespace archive_test;
using data_window_test::Fields;
using data_window_test::SampleLine;
using Json = nlohmann::json;

struct RunResult {
  int exitCode = -1;
  std::string out, err;
};

// A download started on 2026-12-07 at 14:05, every 5 minutes: samples at 14:10, 14:15...
std::string Download(const std::vector<std::pair<int, int>>& readings) {
  std::string text = Fields(26, 12, 7, 0) + "\r\n" + Fields(5, 14, 2, 0) + "\r\n";
  for (const auto& [r1, r2] : readings) text += SampleLine(r1, r2) + "\r\n";
  return text + "A";
}

class CliMapping : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"norte", "vacia"}) {
      StationSettings station;
      station.name = name;
      station.port = "/dev/ttyUSB0";
      StationStore(archive_).Add(station);
    }
    AlarmRule rule;
    rule.temperatureHigh = (TemperatureFromReading(735) + TemperatureFromReading(800)) / 2;
    AlarmStore(archive_).SetRule("norte", rule, CurrentActor("test", "1"), "cold room");
    DownloadArchive archive(archive_);
    NewDownload download;
    download.station = "norte";
    download.rawText = Download({{1860, 735}, {1860, 800}, {1860, 735}});
    archive.Add(download);
    // A station known only by its downloads.
    download.station = "sur";
    download.rawText = Download({{2000, 700}, {1500, 700}});
    archive.Add(download);
  }

  RunResult Run(std::vector<std::string> args) {
    args.push_back("--archive=" + archive_);
    const CliOutputFiles files{folder_.File("stdout"), folder_.File("stderr")};
    RunResult result;
    result.exitCode = WaitForCli(StartCli(args, files));
    result.out = Bytes(files.out);
    result.err = Bytes(files.err);
    return result;
  }

  TempFolder folder_;
  const std::string archive_ = folder_.File("descargas.sqlite");
};

TEST_F(CliMapping, MapsEveryStationOfTheArchive) {
  const RunResult r = Run({"mapping", "--from", "2026-12-07", "--to", "2026-12-08", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Json rows = Json::parse(r.out);
  ASSERT_EQ(rows.size(), 3u);
  const Json& north = rows[0];
  EXPECT_EQ(north["station"], "norte");
  EXPECT_EQ(north["temperature"]["count"], 3);
  EXPECT_DOUBLE_EQ(north["temperature"]["max"].get<double>(), TemperatureFromReading(800));
  EXPECT_EQ(north["temperature"]["minutes_outside"], 5);
  EXPECT_EQ(north["humidity"]["minutes_outside"], nullptr);
  EXPECT_TRUE(north["hottest"].get<bool>());
  const Json& south = rows[1];
  EXPECT_EQ(south["station"], "sur");
  EXPECT_EQ(south["rule"], false);
  EXPECT_DOUBLE_EQ(south["humidity"]["mean"].get<double>(),
                   (HumidityFromReading(2000) + HumidityFromReading(1500)) / 2);
  EXPECT_TRUE(south["most_humid"].get<bool>() && south["driest"].get<bool>());
  const Json& empty = rows[2];
  EXPECT_EQ(empty["station"], "vacia");
  EXPECT_EQ(empty["temperature"]["count"], 0);
  EXPECT_EQ(empty["temperature"]["max"], nullptr);
  EXPECT_FALSE(empty["coldest"].get<bool>());

  // The end is not included: up to 14:15 only norte's first sample, and the table names the
  // station without samples.
  const RunResult t = Run({"mapping", "--from", "2026-12-07T14:10:00", "--to",
                           "2026-12-07T14:15:00", "--station", "norte", "--station", "vacia"});
  ASSERT_EQ(t.exitCode, 0) << t.err;
  EXPECT_NE(t.out.find("norte"), std::string::npos) << t.out;
  EXPECT_EQ(t.out.find("sur"), std::string::npos) << t.out;
  EXPECT_NE(t.out.find("\nvacia "), std::string::npos) << t.out;
  EXPECT_NE(t.out.find(" no samples in the period\n"), std::string::npos) << t.out;
  const RunResult one = Run({"mapping", "--from", "2026-12-07T14:10:00", "--to",
                             "2026-12-07T14:15:00", "--station", "norte", "--json"});
  EXPECT_EQ(Json::parse(one.out)[0]["temperature"]["count"], 1);
}

TEST_F(CliMapping, RefusesABadPeriodAndAnUnknownStation) {
  const struct {
    std::vector<std::string> args;
    int exitCode;
  } refused[] = {
      {{"mapping", "--from", "2026-12-08", "--to", "2026-12-08"}, 2},  // empty period
      {{"mapping", "--from", "2026-12-07"}, 2},                        // no end
      {{"mapping", "--from", "07/12/2026", "--to", "2026-12-08"}, 2},  // not a date
      {{"mapping", "--from", "2026-02-30", "--to", "2026-12-08"}, 2},  // no such day
      {{"mapping", "--from", "2026-12-07", "--to", "2026-12-08", "--station", "nadie"}, 1},
  };
  for (const auto& r : refused) {
    const RunResult result = Run(r.args);
    EXPECT_EQ(result.exitCode, r.exitCode) << r.args[2];
    EXPECT_FALSE(result.err.empty());
    EXPECT_TRUE(result.out.empty());
  }
  const CliOutputFiles files{folder_.File("stdout"), folder_.File("stderr")};
  EXPECT_EQ(WaitForCli(StartCli({"mapping", "--from", "2026-12-07", "--to", "2026-12-08",
                                 "--archive", folder_.File("none.sqlite")},
                                files)),
            1);
}

// Mapping only reads: an archive of an earlier release is not migrated (nor would a read-only
// one be written).
TEST(CliMappingReadOnly, LeavesAnArchiveOfAnEarlierReleaseAsItWas) {
  TempFolder folder;
  const std::string archive = folder.File("descargas.sqlite");
  std::filesystem::copy_file(VELMORANTE_ARCHIVE_FIXTURES "/archive-3.2.0.sqlite", archive);
  const std::string before = Bytes(archive);
  const CliOutputFiles files{folder.File("stdout"), folder.File("stderr")};
  EXPECT_EQ(WaitForCli(StartCli({"mapping", "--from", "2026-12-07", "--to", "2026-12-09", "--json",
                                 "--archive", archive},
                                files)),
            0)
      << Bytes(files.err);
  EXPECT_TRUE(Bytes(archive) == before);
}

}  // namespace
