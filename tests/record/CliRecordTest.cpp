// `velmorante-cli record` and `--station` as a source, the built program on an archive file whose
// downloads a station took.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "archive/DownloadArchive.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/record/RecordTestDownloads.h"
#include "tests/sim/CliProcess.h"

namespace {

using namespace archive_test;
using namespace record_test;

struct RunResult {
  int exitCode = -1;
  std::string out, err;
};

class CliRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    DownloadArchive archive(archive_);
    NewDownload download;
    download.station = "norte";
    std::vector<int> differing = Readings(5);
    differing[2] = 1700;
    // A morning recording (14:10 to 14:30) downloaded twice, the second time reading its third
    // sample differently and cut short, then an afternoon one (15:05 to 15:15).
    for (const std::string& text :
         {Download({12, 7, 14, 5}, Readings(4)), LinesOnly({12, 7, 14, 5}, differing),
          Download({12, 7, 15, 0}, Readings(3))}) {
      download.rawText = text;
      download.reason = text.back() == 'A' ? EndReason::kNone : EndReason::kLineLost;
      archive.Add(download);
    }
  }

  RunResult Run(const std::vector<std::string>& args) {
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

TEST_F(CliRecord, ExportsTheRecordingsAsOneAndReportsTheGapAndTheConflict) {
  const RunResult r = Run({"record", "norte", "--format", "json", "--archive", archive_});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json json = nlohmann::json::parse(r.out);
  EXPECT_EQ(json["start"], "2026-12-07T14:05:00");
  EXPECT_EQ(json["rate_minutes"], 5);
  EXPECT_EQ(json["recordings"], 2);
  ASSERT_EQ(json["samples"].size(), 8u);
  EXPECT_EQ(json["samples"][7]["sample"], 8);
  EXPECT_EQ(json["samples"][4]["timestamp"], "2026-12-07T14:30:00");
  EXPECT_EQ(json["samples"][5]["timestamp"], "2026-12-07T15:05:00");
  ASSERT_EQ(json["gaps"].size(), 1u);
  EXPECT_EQ(json["gaps"][0]["minutes"], 30);
  ASSERT_EQ(json["conflicts"].size(), 1u);
  EXPECT_EQ(json["conflicts"][0]["sample"], 3);
  EXPECT_EQ(json["conflicts"][0]["readings"][1]["download"], 2);
  EXPECT_NE(r.err.find("gap of 30 minutes between 2026-12-07T14:30:00 and 2026-12-07T15:05:00"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("sample 3 at 2026-12-07T14:20:00 read differently"), std::string::npos)
      << r.err;

  const RunResult csv = Run({"record", "norte", "--format", "csv", "--from", "2026-12-07T14:30:00",
                             "--to", "2026-12-07T15:05:00", "--archive", archive_});
  ASSERT_EQ(csv.exitCode, 0) << csv.err;
  EXPECT_EQ(csv.out,
            "sample,timestamp,relative_humidity_pct,temperature_c\r\n"
            "1,2026-12-07T14:30:00,50.2,23.5\r\n"
            "2,2026-12-07T15:05:00,50.0,23.5\r\n");
}

TEST_F(CliRecord, TheStationIsASourceForStatsAndExport) {
  const RunResult stats =
      Run({"stats", "--station", "norte", "--from", "2026-12-07T15:00:00", "--archive", archive_});
  ASSERT_EQ(stats.exitCode, 0) << stats.err;
  EXPECT_EQ(stats.out.rfind("Samples: 3  Rate: 5 minutes\n", 0), 0u) << stats.out;
  const RunResult exported =
      Run({"export", "--station", "norte", "--format", "csv", "--archive", archive_});
  ASSERT_EQ(exported.exitCode, 0) << exported.err;
  EXPECT_NE(exported.out.find("\r\n8,2026-12-07T15:15:00,"), std::string::npos) << exported.out;
}

TEST_F(CliRecord, RefusesAnUnknownStationABadTimeAndTheArchiveAsOutput) {
  const RunResult unknown = Run({"record", "oeste", "--format", "csv", "--archive", archive_});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.err.find("no station named 'oeste'"), std::string::npos) << unknown.err;
  EXPECT_EQ(Run({"record", "norte", "--format", "csv", "--from", "2026-13-01T00:00:00", "--archive",
                 archive_})
                .exitCode,
            2);
  EXPECT_EQ(Run({"stats", "datos.txt", "--from", "2026-12-01T00:00:00"}).exitCode, 2);
  const std::string before = Bytes(archive_);
  EXPECT_EQ(Run({"record", "norte", "--format", "csv", "--archive", archive_, "--out", archive_})
                .exitCode,
            2);
  EXPECT_EQ(Bytes(archive_), before);
}

}  // namespace
