// The logger emulator over time: a fast clock filling the memory, set-clock restarting it, and
// the adapter pulled out and put back, by the class and by signals to the program.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "link/LoggerProtocol.h"
#include "sim/LoggerCurves.h"
#include "sim/LoggerEmulator.h"
#include "sim/LoggerText.h"
#include "tests/sim/PtyClient.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr std::time_t kClock = 1331822730;  // 2012-03-15 14:45:30, the logger's own time
constexpr int kHourASecond = 3600;

LoggerOptions FastClockOptions(int rateCode) {
  LoggerOptions options;
  options.baud = 0;
  options.statusPeriodMs = 100;
  options.endMarkerPauseMs = 30;
  options.clockTime = kClock;
  options.rateCode = rateCode;
  options.speed = kHourASecond;
  return options;
}

template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = 20s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// Sample k of a logging started at `start` is the reading at start + k intervals.
void ExpectSamplesFollowStart(const std::vector<LoggerSample>& samples, std::time_t start,
                              std::time_t step) {
  for (size_t k = 0; k < samples.size(); ++k) {
    ASSERT_EQ(samples[k], CurveReading(start + static_cast<std::time_t>(k + 1) * step, 1))
        << "sample " << k + 1;
  }
}

class LoggerPlug : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "velmorante-link-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST(LoggerTime, MemoryGrowsByTheLoggersClockWithNobodyThereAndStopsFull) {
  LoggerOptions options = FastClockOptions(1);  // a sample a minute
  options.storedSamples = 1900;
  LoggerEmulator logger(options);
  logger.Start();
  const std::time_t start = logger.LoggingStart();
  ASSERT_EQ(start, kClock - 1900 * 60);
  ASSERT_TRUE(Eventually([&] { return logger.LoggerClock() >= kClock + 3600; }));
  // Sixty samples a logger hour: the count lies between what the clock asked for just before and
  // just after it was read.
  const std::time_t before = logger.LoggerClock();
  const size_t count = logger.StoredSamples().size();
  const std::time_t after = logger.LoggerClock();
  EXPECT_GE(count, static_cast<size_t>(std::min<std::time_t>(2000, (before - start) / 60)));
  EXPECT_LE(count, static_cast<size_t>((after - start) / 60));
  // A hundred logger minutes after the memory filled, it still holds exactly 2000.
  ASSERT_TRUE(Eventually([&] { return logger.LoggerClock() >= start + 2100 * 60; }));
  const auto samples = logger.StoredSamples();
  EXPECT_EQ(samples.size(), 2000u);
  ExpectSamplesFollowStart(samples, start, 60);

  // Ten samples stored of a logging started a hundred minutes before the clock: the ninety
  // missing are recorded at their own times, not from the clock on.
  options.storedSamples = 10;
  options.startTime = kClock - 100 * 60;
  const auto filled = LoggerEmulator(options).StoredSamples();
  EXPECT_GE(filled.size(), 100u);
  ExpectSamplesFollowStart(filled, options.startTime, 60);
}

TEST(LoggerTime, SetClockRestartsRecordingAndADownloadHoldsEverySampleDue) {
  LoggerOptions options = FastClockOptions(1);
  options.storedSamples = 30;
  options.statusPeriodMs = 1000;  // the serving thread idles a long while between replies
  LoggerEmulator logger(options);
  logger.Start();
  PtyClient client(logger.PortPath());
  ASSERT_TRUE(client.IsOpen());
  std::tm tm{};
  tm.tm_hour = 7, tm.tm_min = 5, tm.tm_sec = 3, tm.tm_mday = 9, tm.tm_mon = 2, tm.tm_year = 109;
  for (const std::string& w : protocol::SetClockWrites(tm)) client.Write(w);
  const std::time_t start = 1236582303;  // 2009-03-09 07:05:03
  ASSERT_TRUE(Eventually([&] { return logger.LoggingStart() == start; }));
  ASSERT_TRUE(Eventually([&] { return logger.LoggerClock() >= start + 20 * 60; }));
  const std::time_t due = logger.LoggerClock();
  client.Write("8");
  const std::string text = client.ReadUntil("\r\nA", 20s);
  const std::string header = DownloadHeader(start, 1);
  const size_t at = text.find(header);
  ASSERT_NE(at, std::string::npos) << text;
  const size_t lines = (text.size() - at - header.size() - 1) / 14;
  // Every sample the clock had reached when the command went out is in the download.
  EXPECT_GE(lines, static_cast<size_t>((due - start) / 60));
  // What the download sent is what the memory holds: a later look finds it, and more after it.
  const auto stored = logger.StoredSamples();
  ASSERT_GE(stored.size(), lines);
  for (size_t k = 0; k < lines; ++k) {
    ASSERT_EQ(text.substr(at + header.size() + 14 * k, 14), SampleLine(stored[k])) << k;
  }
  ExpectSamplesFollowStart(stored, start, 60);
}

TEST_F(LoggerPlug, UnplugHangsUpTheOldPortAndReplugServesTheLinkWithMemoryAndClockRunOn) {
  LoggerOptions options = FastClockOptions(6);  // a sample a logger hour
  options.storedSamples = 10;
  options.linkPath = (dir_ / "logger").string();
  LoggerEmulator logger(options);
  logger.Start();
  ASSERT_EQ(fs::read_symlink(options.linkPath), logger.PortPath());
  PtyClient first(options.linkPath);
  ASSERT_TRUE(first.IsOpen());
  ASSERT_EQ(first.Read(33).size(), 33u);

  const auto before = logger.StoredSamples();
  const std::time_t unpluggedAt = logger.LoggerClock();
  logger.Unplug();
  EXPECT_TRUE(logger.Unplugged());
  EXPECT_FALSE(logger.ClientConnected());
  EXPECT_FALSE(fs::exists(fs::symlink_status(options.linkPath))) << "the link outlived the port";
  pollfd p{first.Descriptor(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 10000), 1);
  EXPECT_TRUE(p.revents & (POLLHUP | POLLERR)) << "the program saw no hang-up";
  // Replies still queued may come first; then the line is gone (end of file or EIO), not merely
  // quiet (EAGAIN).
  char byte;
  ssize_t n = 0;
  while ((n = ::read(first.Descriptor(), &byte, 1)) > 0) {
  }
  EXPECT_TRUE(n == 0 || errno == EIO) << std::strerror(errno);

  // Two logger hours pass unplugged.
  ASSERT_TRUE(Eventually([&] { return logger.LoggerClock() >= unpluggedAt + 2 * 3600; }));
  logger.Replug();
  EXPECT_FALSE(logger.Unplugged());
  ASSERT_EQ(fs::read_symlink(options.linkPath), logger.PortPath());
  PtyClient second(options.linkPath);
  ASSERT_TRUE(second.IsOpen());
  const protocol::StatusReply r = protocol::ParseStatusReply(second.Read(33));
  EXPECT_GE(r.usedMemory(), before.size() + 2) << "the time unplugged was not recorded";
  const auto after = logger.StoredSamples();
  ASSERT_GE(after.size(), before.size());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin())) << "the memory changed";
  ExpectSamplesFollowStart(after, logger.LoggingStart(), 3600);

  logger.Stop();
  EXPECT_FALSE(fs::exists(fs::symlink_status(options.linkPath)));
}

TEST_F(LoggerPlug, ALinkPathHoldingAFileIsRefusedAndTheFileKept) {
  const fs::path file = dir_ / "data.txt";
  std::ofstream(file) << "keep me";
  LoggerOptions options = FastClockOptions(2);
  options.linkPath = file.string();
  LoggerEmulator logger(options);
  EXPECT_THROW(logger.Start(), std::runtime_error);
  std::ifstream in(file);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "keep me");
}

// The program: SIGUSR1 unplugs, SIGUSR2 plugs in again, SIGTERM ends it with status 0.
TEST_F(LoggerPlug, ProgramUnplugsAndReplugsOnSignals) {
  const std::string link = (dir_ / "logger").string();
  const std::string out = (dir_ / "out").string();
  std::vector<std::string> args = {VELMORANTE_LOGGER_PATH, "--baud=0", "--status-period=100",
                                   "--speed=60",           "--link",   link};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    // Only calls that are safe between fork and exec: the test runs threads of its own.
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || dup2(fd, 1) < 0 || dup2(fd, 2) < 0) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  const auto linked = [&] { return fs::exists(fs::symlink_status(link)); };
  const auto stop = [&] {
    ::kill(pid, SIGTERM);
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  if (!Eventually(linked)) {
    stop();
    FAIL() << "no link";
  }
  PtyClient first(link);
  EXPECT_EQ(first.Read(33).size(), 33u);
  ::kill(pid, SIGUSR1);
  EXPECT_TRUE(Eventually([&] { return !linked(); }));
  pollfd p{first.Descriptor(), POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 10000), 1);
  EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
  ::kill(pid, SIGUSR2);
  EXPECT_TRUE(Eventually(linked));
  PtyClient second(link);
  EXPECT_EQ(second.Read(33).size(), 33u);
  EXPECT_EQ(stop(), 0);
  EXPECT_FALSE(linked());
}

}  // namespace
