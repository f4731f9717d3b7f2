// velmorante-cli's guards around what a download brings, run as the built program against the
// logger emulator: signals, a logger that does not end its download as expected, a capture file
// that the table would overwrite, and a clock setting the logger does not take.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>

#include "sim/LoggerEmulator.h"
#include "sim/LoggerText.h"
#include "tests/sim/CliProcess.h"

namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Checks `done` every 10 ms until it holds or `limit` has passed.
bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit) {
  const auto deadline = SteadyClock::now() + limit;
  while (!done()) {
    if (SteadyClock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

class CliDownloadGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "velmorante-guard-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    fs::remove_all(dir_);
  }

  // Starts velmorante-cli with `args`; its standard output and error go to files of the test.
  void Start(const std::vector<std::string>& args) {
    pid_ = StartCli(args, {Path("stdout"), Path("stderr")});
    ASSERT_GT(pid_, 0);
  }

  // Waits for the program to end: its exit status, -1 when a signal ended it.
  int Finish() {
    const int status = WaitForCli(pid_);
    pid_ = 0;
    return status;
  }

  int Run(const std::vector<std::string>& args) {
    Start(args);
    return Finish();
  }

  std::string Err() const { return FileText(dir_ / "stderr"); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
  pid_t pid_ = 0;
};

LoggerOptions FastOptions(int samples) {
  LoggerOptions options;
  options.storedSamples = samples;
  options.baud = 0;
  options.statusPeriodMs = 150;
  options.endMarkerPauseMs = 40;
  options.recordLive = false;
  return options;
}

// What the logger sends for a download of its stored samples, without the end marker.
std::string DownloadLines(const LoggerEmulator& logger) {
  std::string text = DownloadHeader(logger.LoggingStart(), logger.RateCode());
  for (const LoggerSample& sample : logger.StoredSamples()) text += SampleLine(sample);
  return text;
}

// Ctrl-C, SIGTERM or SIGHUP in the middle of a download: what arrived is in --raw and in the
// archive as a download cut short by the program's end, no table is written, the exit is 1.
TEST_F(CliDownloadGuard, SignalDuringDownloadKeepsWhatArrived) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    LoggerOptions options = FastOptions(2000);
    options.baud = 9600;  // about 30 s for the whole download
    LoggerEmulator logger(options);
    logger.Start();
    const std::string archive = Path("archive.sqlite");
    fs::remove(archive);
    fs::remove(Path("raw.txt"));
    Start({"download", "--port", logger.PortPath(), "--raw", Path("raw.txt"), "--out",
           Path("table.txt"), "--archive", archive});
    ASSERT_TRUE(WaitFor([&] { return Err().find("downloading:") != std::string::npos; },
                        std::chrono::seconds(20)));
    kill(pid_, signal);
    EXPECT_EQ(Finish(), 1) << Err();
    EXPECT_NE(Err().find(std::string("interrupted by SIG") + sigabbrev_np(signal)),
              std::string::npos)
        << Err();
    const std::string raw = FileText(Path("raw.txt"));
    const std::string lines = DownloadLines(logger);
    EXPECT_GT(raw.size(), 0u);
    EXPECT_LT(raw.size(), lines.size());
    EXPECT_EQ(lines.compare(0, raw.size(), raw), 0);
    EXPECT_FALSE(fs::exists(Path("table.txt")));

    ASSERT_EQ(Run({"history", "--json", "--archive", archive}), 0) << Err();
    const std::string listed = FileText(Path("stdout"));
    EXPECT_NE(listed.find("\"reason\":\"closed\""), std::string::npos) << listed;
    EXPECT_NE(listed.find("\"size\":" + std::to_string(raw.size()) + ","), std::string::npos)
        << listed;
  }
}

// The largest count of samples the progress line showed.
int MostSamplesShown(const std::string& err) {
  static const std::regex kShown("([0-9]+) samples");
  int most = 0;
  for (std::sregex_iterator it(err.begin(), err.end(), kShown), end; it != end; ++it) {
    most = std::max(most, std::stoi((*it)[1]));
  }
  return most;
}

// After the lines that the memory count announced, an end marker glued to a status reply ends the
// download; status replies instead of an end marker stop it once they pass one reply's worth,
// and are never counted as samples.
TEST_F(CliDownloadGuard, DownloadEndsByTheLoggersMemoryCount) {
  for (const LoggerFault fault : {LoggerFault::GluedEndMarker, LoggerFault::NoEndMarker}) {
    SCOPED_TRACE(LoggerFaultName(fault));
    LoggerOptions options = FastOptions(200);
    options.fault = fault;
    LoggerEmulator logger(options);
    logger.Start();
    fs::remove(Path("table.txt"));
    const int exit = Run({"download", "--port", logger.PortPath(), "--raw", Path("raw.txt"),
                          "--out", Path("table.txt"), "--no-archive"});
    const std::string raw = FileText(Path("raw.txt"));
    EXPECT_LE(MostSamplesShown(Err()), 200) << Err();
    if (fault == LoggerFault::GluedEndMarker) {
      EXPECT_EQ(exit, 0) << Err();
      EXPECT_EQ(raw, DownloadLines(logger) + "A");
      const std::string table = FileText(Path("table.txt"));
      EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 200);
    } else {
      EXPECT_EQ(exit, 1) << Err();
      EXPECT_NE(Err().find("more than the 200 samples"), std::string::npos) << Err();
      EXPECT_EQ(raw.compare(0, DownloadLines(logger).size(), DownloadLines(logger)), 0);
      EXPECT_GT(raw.size(), DownloadLines(logger).size() + 33);
      EXPECT_FALSE(fs::exists(Path("table.txt")));
    }
  }
}

// --raw and --out naming one file are refused before the port is opened (this port does not
// exist: opening it would fail with exit 1), and the capture already there is left as it was.
TEST_F(CliDownloadGuard, RawAndOutNamingOneFileAreRefused) {
  const std::string raw = Path("raw.txt");
  std::ofstream(raw, std::ios::binary) << "captured";
  fs::create_symlink(raw, Path("soft.txt"));
  fs::create_hard_link(raw, Path("hard.txt"));
  fs::create_symlink(Path("new.txt"), Path("dangling.txt"));
  const std::pair<std::string, std::string> cases[] = {
      {raw, raw},
      {raw, Path("soft.txt")},
      {Path("hard.txt"), raw},
      {Path("new.txt"), (dir_ / "." / "new.txt").string()},
      {Path("dangling.txt"), Path("new.txt")},
  };
  for (const auto& [rawFile, outFile] : cases) {
    SCOPED_TRACE(rawFile + " and " + outFile);
    EXPECT_EQ(Run({"download", "--port", "/dev/velmorante-none", "--raw", rawFile, "--out", outFile,
                   "--no-archive"}),
              2);
    EXPECT_NE(Err().find("same file"), std::string::npos) << Err();
  }
  EXPECT_EQ(FileText(raw), "captured");
  EXPECT_FALSE(fs::exists(Path("new.txt")));
  // Two different files are no mistake: the port is tried.
  EXPECT_EQ(Run({"download", "--port", "/dev/velmorante-none", "--raw", raw, "--out",
                 Path("other.txt"), "--no-archive"}),
            1);
}

// A logger that empties its memory but keeps its clock: set-clock names the clock that did not
// follow and fails.
TEST_F(CliDownloadGuard, ClockSettingTheLoggerDidNotTakeFails) {
  LoggerOptions options = FastOptions(30);
  options.fault = LoggerFault::KeepsClock;
  std::tm fields{};
  fields.tm_year = 112;
  fields.tm_mon = 2;
  fields.tm_mday = 15;
  fields.tm_hour = 14;
  fields.tm_min = 45;
  fields.tm_sec = 30;
  options.clockTime = timegm(&fields);
  LoggerEmulator logger(options);
  logger.Start();
  EXPECT_EQ(Run({"set-clock", "--port", logger.PortPath(), "--discard"}), 1) << Err();
  EXPECT_TRUE(logger.StoredSamples().empty());
  EXPECT_EQ(FileText(Path("stdout")), "");
  EXPECT_NE(Err().find("did not take the clock setting: its clock shows 14:45:3"),
            std::string::npos)
      << Err();
  EXPECT_NE(Err().find(" 15/03/2012, this computer's "), std::string::npos) << Err();
  EXPECT_EQ(Err().find("memory"), std::string::npos) << Err();
}

}  // namespace
