// `velmorante-cli export` and `stats` on real files: the file written is the export itself, a saved
// table gives the figures of its capture, and bad limits or a bad source fail without writing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/CsvExport.h"
#include "analysis/ExportFormat.h"
#include "archive/DownloadArchive.h"
#include "cli/CliCommands.h"
#include "data/DownloadSource.h"
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

// A refused saved table says on which line and what is wrong there, so that it can be mended; what
// was read before stays readable (LF ends, blank lines, a row without values).
TEST_F(CliAnalysisTest, RefusedSavedTablesNameTheLineAndWhatIsWrong) {
  const std::string good = "15/03/2012  14:50:30  50,0  23,5\r\n";
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {good + "15/03/2012  14:55:30  abc  23,5\r\n", ", line 2: 'abc' is not a number"},
      {good + "15/03/2012  14:55:30  50,0  nan\r\n", ", line 2: 'nan' is not a number"},
      {"15/03/2012\t14:50:30\t50,0\t23,5\r\n", ", line 1: fields are apart by tabs"},
      {"\xEF\xBB\xBF" + good, ", line 1: the file begins with a byte order mark"},
      {good + good.substr(0, good.size() - 2) + "  7\r\n",
       ", line 2: 5 fields where a saved table has 4"},
      {good + "15-03-2012  14:55:30  50,0  23,5\r\n", ", line 2: '15-03-2012' is not a date"},
      {good + "15/03/2012  14.55.30  50,0  23,5\r\n", ", line 2: '14.55.30' is not a time"},
      {good + "15/03/2012  14:55:30  50,0  \r\n", ", line 2: one channel has a value"},
      {"", " is empty"},
  };
  const std::string target = Write("target.csv", "old");
  for (const auto& c : cases) {
    const std::string path = Write("tabla.txt", c.text);
    EXPECT_EQ(Run({"export", path, "--format", "csv", "--out", target}), 1) << c.text;
    EXPECT_NE(err_.str().find(path + c.message), std::string::npos) << c.text << err_.str();
  }
  EXPECT_EQ(Read(target), "old");
  const std::string kept =
      Write("lf.txt",
            "\n15/03/2012  14:50:30  50,0  23,5\n\n"
            "15/03/2012  14:55:30  -0,1  2,562E+2\n15/03/2012  15:00:30    \n");
  EXPECT_EQ(Run({"stats", kept}), 0) << err_.str();
  EXPECT_NE(out_.str().find("Samples: 3  Rate: 5 minutes"), std::string::npos) << out_.str();
}

// A capture holding a reading beyond the sensor's 12 bits or a start that is no date is damaged:
// exports and statistics refuse it, the decode shows it with a warning, and the sensor's own
// extremes are data like any other.
TEST_F(CliAnalysisTest, ReadingsBeyondTheSensorAndImpossibleStartsAreNotExported) {
  const std::string target = Write("target.json", "old");
  const std::string wide =
      Write("wide.txt", "012003015030\r\n045014002000\r\n007068002223\r\n999999999999\r\nA");
  EXPECT_EQ(Run({"export", wide, "--format", "json", "--out", target}), 1);
  EXPECT_NE(err_.str().find("sample 2: a humidity of 10327.5 % is beyond every 12-bit reading"),
            std::string::npos)
      << err_.str();
  const std::string month13 =
      Write("month13.txt", "026013009030\r\n045014002000\r\n007068002223\r\nA");
  EXPECT_EQ(Run({"stats", month13}), 1);
  EXPECT_NE(err_.str().find("the start 09/13/2026 14:45:30 is no real date"), std::string::npos)
      << err_.str();
  EXPECT_EQ(Read(target), "old");
  EXPECT_EQ(Run({"decode", wide}), 0);
  EXPECT_NE(err_.str().find("warning: the download, sample 2"), std::string::npos) << err_.str();
  // Archived, it is kept and shown as it came, but not exported either.
  const std::string archivePath = (dir_ / "archive.sqlite").string();
  std::string id;
  {
    DownloadArchive archive(archivePath);
    NewDownload download;
    download.rawText = Read(wide);
    download.receivedAt = std::chrono::system_clock::now();
    download.port = "/dev/pts/9";
    download.program = "test";
    id = std::to_string(archive.Add(download));
  }
  EXPECT_EQ(Run({"export", "--history", id, "--archive", archivePath, "--format", "csv"}), 1);
  EXPECT_NE(err_.str().find("archived download " + id + ", sample 2: a humidity of 10327.5 %"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(Run({"history", "show", id, "--archive", archivePath}), 0);
  EXPECT_NE(err_.str().find("warning: archived download " + id + ", sample 2"), std::string::npos)
      << err_.str();

  const std::string extremes =
      Write("extremes.txt", "012003015030\r\n045014002000\r\n000000000000\r\n015255015255\r\nA");
  ASSERT_EQ(Run({"export", extremes, "--format", "csv"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("2,2012-03-15T14:55:30,140.1,359.5"), std::string::npos) << out_.str();
}

// The export handed over in pieces is the same text as the whole one, in every format, also past
// the size of one piece and to a file.
TEST_F(CliAnalysisTest, LargeSavedTableExportsAsTheWholeTextWould) {
  std::string table;
  for (int k = 0; k < 40000; ++k) {
    const int minutes = 24 * 60 + k;  // from 02/01/2026 00:00:10, every minute
    char line[64];
    std::snprintf(line, sizeof line, "%02d/01/2026  %02d:%02d:10  %d,%d  -%d,5\r\n",
                  1 + minutes / (24 * 60), minutes / 60 % 24, minutes % 60, 20 + k % 60, k % 10,
                  k % 40);
    table += line;
  }
  const std::string path = Write("grande.txt", table);
  SavedTableProblem problem;
  const std::optional<SampleTable> whole = ParseSavedTable(table, &problem);
  ASSERT_TRUE(whole) << SavedTableProblemText(problem);
  for (const char* format : {"csv", "csv-es", "json"}) {
    const std::string expected = analysis::ExportText(*analysis::ExportFormatNamed(format), *whole);
    ASSERT_GT(expected.size(), std::size_t{1} << 20);  // more than one piece
    ASSERT_EQ(Run({"export", path, "--format", format}), 0) << err_.str();
    EXPECT_TRUE(out_.str() == expected) << format;
    const std::string file = (dir_ / "out").string();
    ASSERT_EQ(Run({"export", path, "--format", format, "--out", file}), 0) << err_.str();
    EXPECT_TRUE(Read(file) == expected) << format;
  }
}

}  // namespace
