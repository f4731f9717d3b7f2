// `velmorante-cli export` and `stats` on real files: the file written is the export itself, a saved
// table gives the figures of its capture, and bad limits or a bad source fail without writing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/CsvExport.h"
#include "archive/DownloadArchive.h"
#include "cli/CliCommands.h"
#include "data/SampleDecoder.h"
#include "data/SavedFileFormat.h"

namespace {

namespace fs = std::filesystem;

const char kRaw[] = "012003015030\r\n045014002000\r\n007068002223\r\n008000003000\r\nA";

class CliAnalysisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("velmorante-cli-analysis-" +
            std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& content) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }
  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return RunCli(args, out_, err_);
  }

  fs::path dir_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(CliAnalysisTest, ExportToFileIsTheExportAndSavedTableGivesTheSameStatistics) {
  const std::string raw = Write("raw.txt", kRaw);
  const std::string out = (dir_ / "out.csv").string();
  ASSERT_EQ(Run({"export", raw, "--format", "csv", "--out", out}), 0) << err_.str();
  EXPECT_EQ(Read(out), analysis::CsvText(SampleDecoder().Decode(kRaw)));

  ASSERT_EQ(Run({"stats", raw, "--json", "--limits-t", ":25"}), 0) << err_.str();
  const std::string fromRaw = out_.str();
  EXPECT_NE(fromRaw.find("\"temperature\":{\"low\":null,\"high\":25.0,\"below\":0,"
                         "\"above\":1,\"percent_outside\":50.0,\"minutes_outside\":5.0}"),
            std::string::npos)
      << fromRaw;
  // The saved table holds one decimal only, so the figures match where the values are exact.
  const std::string saved = Write("saved.txt", SavedFileText(SampleDecoder().Decode(kRaw)));
  ASSERT_EQ(Run({"stats", saved, "--json", "--limits-t", ":25"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("\"percent_outside\":50.0,\"minutes_outside\":5.0"), std::string::npos)
      << out_.str();
}

TEST_F(CliAnalysisTest, ArchivedDownloadIsASourceAndAMissingOneIsNamed) {
  const std::string archivePath = (dir_ / "archive.sqlite").string();
  std::int64_t id = 0;
  {
    DownloadArchive archive(archivePath);
    NewDownload download;
    download.rawText = kRaw;
    download.receivedAt = std::chrono::system_clock::now();
    download.port = "/dev/pts/9";
    download.program = "test";
    id = archive.Add(download);
  }
  const std::string out = (dir_ / "out.csv").string();
  ASSERT_EQ(Run({"export", "--history", std::to_string(id), "--archive", archivePath, "--format",
                 "csv", "--out", out}),
            0)
      << err_.str();
  EXPECT_EQ(Read(out), analysis::CsvText(SampleDecoder().Decode(kRaw)));
  EXPECT_EQ(Run({"stats", "--history", std::to_string(id + 1), "--archive", archivePath}), 1);
  EXPECT_FALSE(err_.str().empty());
  // Asking for a record never creates an archive.
  const std::string none = (dir_ / "none.sqlite").string();
  EXPECT_EQ(Run({"stats", "--history", "1", "--archive", none}), 1);
  EXPECT_FALSE(fs::exists(none));
}

TEST_F(CliAnalysisTest, BadLimitsFormatOrSourceFailAndLeaveTheTargetAlone) {
  const std::string raw = Write("raw.txt", kRaw);
  const std::string target = Write("target.csv", "old");
  EXPECT_EQ(Run({"stats", raw, "--limits-rh", "80:20"}), 2);
  EXPECT_NE(err_.str().find("--limits-rh"), std::string::npos);
  EXPECT_EQ(Run({"export", raw, "--format", "xls", "--out", target}), 2);
  // A capture with a letter in a sample line is not exported at all.
  const std::string broken =
      Write("broken.txt", "012003015030\r\n045014002000\r\n0070X8002223\r\nA");
  EXPECT_EQ(Run({"export", broken, "--format", "csv", "--out", target}), 1);
  EXPECT_NE(err_.str().find("cannot be decoded"), std::string::npos) << err_.str();
  EXPECT_EQ(Run({"export", (dir_ / "missing.txt").string(), "--format", "json", "--out", target}),
            1);
  EXPECT_EQ(Read(target), "old");
  // A folder that does not exist: the export fails and says so.
  EXPECT_EQ(Run({"export", raw, "--format", "csv", "--out", (dir_ / "no" / "x.csv").string()}), 1);
  EXPECT_FALSE(err_.str().empty());
}

TEST_F(CliAnalysisTest, CutCaptureWarnsAndFailsAndAnEmptyDownloadWritesNoEmptyTable) {
  // Cut in the middle of the second sample line: the first sample still shows.
  const std::string cut = Write("cut.txt", "012003015030\r\n045014002000\r\n007068002223\r\n0080");
  EXPECT_EQ(Run({"decode", cut}), 1);
  EXPECT_NE(out_.str().find("Samples: 1"), std::string::npos) << out_.str();
  EXPECT_NE(err_.str().find("no end marker"), std::string::npos) << err_.str();
  // Cut after a whole line: that line is a sample, not taken for the end marker.
  const std::string whole = Write("whole.txt", "012003015030\r\n045014002000\r\n007068002223\r\n");
  EXPECT_EQ(Run({"decode", whole}), 1);
  EXPECT_NE(out_.str().find("Samples: 1"), std::string::npos) << out_.str();

  const std::string empty = Write("empty.txt", "012003015030\r\n045014002000\r\nA");
  const std::string target = (dir_ / "table.txt").string();
  EXPECT_EQ(Run({"decode", empty, "--out", target}), 1);
  EXPECT_NE(err_.str().find("no samples"), std::string::npos) << err_.str();
  EXPECT_FALSE(fs::exists(target));
}

// What no logger records is refused with the line it is on, and nothing is written; limits read
// with a point or a comma, but not beyond what the sensor gives.
TEST_F(CliAnalysisTest, ImpossibleSavedTablesAreRefusedByLineAndLimitsStayWithinTheSensor) {
  const std::string target = Write("target.csv", "old");
  const std::string badDate = Write("fecha.txt",
                                    "28/02/2026  23:55:00  50,0  23,5\r\n"
                                    "31/02/2026  25:61:00  50,4  23,6\r\n");
  EXPECT_EQ(Run({"export", badDate, "--format", "csv", "--out", target}), 1);
  EXPECT_NE(err_.str().find("line 2: the date 31/02/2026"), std::string::npos) << err_.str();
  const std::string huge =
      Write("humedad.txt", "15/03/2012  14:50:30  99999999999999999999,9  1,0\r\n");
  EXPECT_EQ(Run({"stats", huge}), 1);
  EXPECT_NE(err_.str().find("line 1: no reading of the sensor gives the humidity"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(Read(target), "old");

  const std::string raw = Write("raw.txt", kRaw);
  for (const char* limits : {"20,5:25", "20.5:25"}) {
    ASSERT_EQ(Run({"stats", raw, "--limits-t", limits}), 0) << limits << err_.str();
    EXPECT_NE(out_.str().find("20.50 to 25.00"), std::string::npos) << out_.str();
  }
  EXPECT_EQ(Run({"stats", raw, "--limits-t", "-60:20"}), 2);
  EXPECT_NE(err_.str().find("the sensor gives only -50.0 to 359.5"), std::string::npos)
      << err_.str();
}

}  // namespace
