// velmorante-cli, the built program, against the logger emulator on a pseudo-terminal.
#include <fcntl.h>
#include <locale.h>
#include <pty.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/ChannelValueText.h"
#include "sim/LoggerEmulator.h"
#include "tests/sim/CliProcess.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
  int exitCode = -1;
  std::string out, err;
};

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class CliEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "velmorante-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Standard output goes to `outPath` when given (then not read back), else to a file of the test.
  RunResult Run(const std::vector<std::string>& args, std::string outPath = "") {
    const bool ownOut = outPath.empty();
    const CliOutputFiles files{ownOut ? (dir_ / "stdout").string() : outPath,
                               (dir_ / "stderr").string(), ownOut};
    RunResult result;
    result.exitCode = WaitForCli(StartCli(args, files));
    if (ownOut) result.out = FileText(files.out);
    result.err = FileText(files.err);
    return result;
  }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

LoggerOptions FastOptions() {
  LoggerOptions options;
  options.baud = 0;
  options.statusPeriodMs = 150;
  options.endMarkerPauseMs = 40;
  options.recordLive = false;
  return options;
}

// The saved-file line of a sample, as it must come out of the whole path.
std::string ValuesOf(const LoggerSample& s) {
  return ChannelValueText(HumidityFromReading(s.humidityReading)) + "  " +
         ChannelValueText(TemperatureFromReading(s.temperatureReading));
}

std::vector<std::string> SavedValues(const std::string& saved) {
  std::vector<std::string> values;
  std::istringstream lines(saved);
  for (std::string line; std::getline(lines, line);) {
    // date, 2 spaces, time, 2 spaces, channel 1, 2 spaces, channel 2, CR LF
    EXPECT_EQ(line.back(), '\r');
    values.push_back(line.substr(22, line.size() - 23));
  }
  return values;
}

TEST_F(CliEndToEnd, ForcedDownloadOfTheWholeMemoryDecodesToTheLoggersReadings) {
  LoggerOptions options = FastOptions();
  options.storedSamples = 2000;
  LoggerEmulator logger(options);
  logger.Start();
  const RunResult r = Run({"download", "--port", logger.PortPath(), "--force", "--out",
                           Path("table.txt"), "--raw", Path("raw.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(logger.ReceivedCommands(), "E");
  EXPECT_NE(r.err.find("2000 samples"), std::string::npos) << r.err;
  EXPECT_EQ(FileText(Path("raw.txt")), logger.LastDownloadText());
  const std::vector<std::string> values = SavedValues(FileText(Path("table.txt")));
  const std::vector<LoggerSample> memory = logger.MemorySamples();
  ASSERT_EQ(values.size(), 2000u);
  for (std::size_t k = 0; k < values.size(); ++k) {
    ASSERT_EQ(values[k], ValuesOf(memory[k])) << "sample " << k + 1;
  }
}

TEST_F(CliEndToEnd, CommandsChangeTheLoggerAndStatusReportsIt) {
  LoggerOptions options = FastOptions();
  options.storedSamples = 30;
  LoggerEmulator logger(options);
  logger.Start();
  RunResult r = Run({"set-rate", "--port", logger.PortPath(), "60"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(logger.RateCode(), 6);
  r = Run({"set-clock", "--port", logger.PortPath(), "--discard"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(logger.StoredSamples().empty());
  EXPECT_EQ(logger.ReceivedCommands().substr(0, 2), "73");
  EXPECT_EQ(logger.ReceivedCommands().size(), 14u);  // "7", then "3" and twelve digits
  r = Run({"status", "--port", logger.PortPath(), "--count", "2", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);
  EXPECT_NE(r.out.find("\"rateMinutes\":60"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"memoryPointer\":6,"), std::string::npos) << r.out;
}

TEST_F(CliEndToEnd, EveryLineFaultEndsInAClearResult) {
  const struct {
    LoggerFault fault;
    std::vector<std::string> args;  // after the port
    int exitCode;
    const char* message;  // in standard error, when failing
  } cases[] = {
      {LoggerFault::SplitReplies, {"status", "--count", "3"}, 0, ""},
      {LoggerFault::DoubledReplies, {"status", "--count", "3"}, 0, ""},
      {LoggerFault::Noise, {"status", "--count", "4"}, 0, ""},
      {LoggerFault::SplitReplies, {"download"}, 0, ""},
      {LoggerFault::Noise, {"download"}, 0, ""},
      {LoggerFault::HangUpInDownload, {"download"}, 1, "the line to the logger failed"},
      {LoggerFault::LetterInSample, {"download"}, 1, "'X' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(LoggerFaultName(c.fault) + std::string(" ") + c.args[0]);
    LoggerOptions options = FastOptions();
    options.storedSamples = 200;
    options.fault = c.fault;
    LoggerEmulator logger(options);
    logger.Start();
    std::vector<std::string> args = {c.args[0], "--port", logger.PortPath()};
    args.insert(args.end(), c.args.begin() + 1, c.args.end());
    if (c.args[0] == "download") args.insert(args.end(), {"--out", Path("table.txt")});
    fs::remove(Path("table.txt"));
    const RunResult r = Run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    if (c.args[0] == "download") {
      // A failed download leaves no file; a good one has every stored sample.
      EXPECT_EQ(fs::exists(Path("table.txt")), c.exitCode == 0);
      if (c.exitCode == 0) {
        EXPECT_EQ(SavedValues(FileText(Path("table.txt"))).size(), 200u);
      }
    }
  }
}

// At 9600 baud, a byte at a time as a UART delivers it or in the 16 ms pieces of a USB adapter,
// with stray bytes on the line: every reply printed is one the logger sent, and after a stray
// byte at most two replies go by before the output is right again.
TEST_F(CliEndToEnd, PacedStatusPrintsOnlyRepliesTheLoggerSent) {
  const struct {
    LoggerFault fault;
    int deliveryMs;
  } cases[] = {{LoggerFault::StrayByte, 0}, {LoggerFault::StrayByte, 16}, {LoggerFault::Noise, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(LoggerFaultName(c.fault)) + " delivery " +
                 std::to_string(c.deliveryMs));
    LoggerOptions options = FastOptions();
    options.baud = 9600;
    options.deliveryMs = c.deliveryMs;
    options.statusPeriodMs = 400;
    options.fault = c.fault;
    LoggerEmulator logger(options);
    logger.Start();
    const RunResult r = Run({"status", "--port", logger.PortPath(), "--count", "8", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> sent = logger.SentReplies();
    std::istringstream lines(r.out);
    int printed = 0;
    long previous = -1;
    for (std::string line; std::getline(lines, line); ++printed) {
      const std::size_t at = line.find("\"reply\":\"");
      ASSERT_NE(at, std::string::npos) << line;
      const std::string reply = line.substr(at + 9, 33);
      const auto found = std::find(sent.begin() + (previous + 1), sent.end(), reply);
      ASSERT_NE(found, sent.end()) << "never sent, or out of order: " << reply;
      const long index = found - sent.begin();
      if (previous >= 0) {
        EXPECT_LE(index - previous, 3) << "more than two replies lost";
      }
      previous = index;
    }
    EXPECT_EQ(printed, 8);
  }
}

// A download cut short by a hang-up keeps what arrived in --raw; decode refuses input larger than
// any download instead of reading it all.
TEST_F(CliEndToEnd, CutShortDownloadIsKeptAndOversizedInputRefused) {
  LoggerOptions options = FastOptions();
  options.storedSamples = 200;
  options.fault = LoggerFault::HangUpInDownload;
  options.baud = 9600;  // unpaced, the bytes still queued would go with the line
  LoggerEmulator logger(options);
  logger.Start();
  const RunResult cut = Run({"download", "--port", logger.PortPath(), "--raw", Path("raw.txt")});
  EXPECT_EQ(cut.exitCode, 1) << cut.err;
  EXPECT_NE(cut.err.find("incomplete"), std::string::npos) << cut.err;
  // What came before the hang-up, in order (the last bytes may go with the line).
  const std::string raw = FileText(Path("raw.txt"));
  EXPECT_GT(raw.size(), 1000u);
  EXPECT_EQ(logger.LastDownloadText().compare(0, raw.size(), raw), 0);

  std::ofstream(Path("huge.txt"), std::ios::binary) << std::string((4u << 20) + 1, '0');
  const RunResult huge = Run({"decode", Path("huge.txt")});
  EXPECT_EQ(huge.exitCode, 1);
  EXPECT_NE(huge.err.find("larger than any download"), std::string::npos) << huge.err;
}

TEST_F(CliEndToEnd, BadInputGivesAMessageAndANonZeroExit) {
  // A port where nobody answers.
  int master = -1, slave = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  std::ofstream(Path("bad.txt"), std::ios::binary) << "012003015030\r\n045014002000\r\n0070\r\nA";
  // The system's reason as the tool, run in English, gives it.
  const std::string isADirectory = std::strerror(EISDIR);
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
  } cases[] = {
      {{}, 2, "Usage"},
      {{"fly"}, 2, "unknown command"},
      {{"status"}, 2, "--port is missing"},
      {{"status", "--port", "x", "--count", "0"}, 2, "--count must be"},
      {{"set-rate", "--port", "x", "7"}, 2, "MINUTES must be"},
      {{"download", "--port", "x", "--wobble"}, 2, "unknown option"},
      {{"status", "--port", "/dev/velmorante-none"}, 1, "cannot open port"},
      {{"status", "--port", name, "--timeout", "1"}, 1, "timed out"},
      {{"decode", Path("missing.txt")}, 1, "cannot read"},
      {{"decode", Path("bad.txt"), "--out", Path("out.txt")}, 1, "cannot be decoded"},
      {{"decode", dir_.string()}, 1, isADirectory},
  };
  for (const auto& c : cases) {
    const RunResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(Path("out.txt")));
  if (fs::exists("/dev/full")) {  // a table that cannot be written out is no success
    std::ofstream(Path("good.txt"), std::ios::binary)
        << "012003015030\r\n045014002000\r\n007068002223\r\nA";
    const RunResult r = Run({"decode", Path("good.txt")}, "/dev/full");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("cannot write the standard output"), std::string::npos) << r.err;
  }
  close(master);
  close(slave);
}

// How every command reads its options: an empty value after '=' is a value (the next argument
// stays an argument), "--" ends the options, the last of a repeated option counts, and mistakes
// name the option.
TEST_F(CliEndToEnd, OptionsKeepTheToolsConventions) {
  const std::string capture = "012003015030\r\n045014002000\r\n007068002223\r\nA";
  std::ofstream(Path("good.txt"), std::ios::binary) << capture;
  std::ofstream(Path("-dash.txt"), std::ios::binary) << capture;

  const RunResult empty = Run({"decode", "--out=", Path("good.txt")});
  EXPECT_EQ(empty.exitCode, 0) << empty.err;
  EXPECT_FALSE(empty.out.empty());
  EXPECT_EQ(empty.out, Run({"decode", Path("good.txt")}).out);
  EXPECT_EQ(FileText(Path("good.txt")), capture);  // never taken for the table's file

  const fs::path before = fs::current_path();
  fs::current_path(dir_);
  const RunResult dashed = Run({"decode", "--", "-dash.txt"});
  fs::current_path(before);
  EXPECT_EQ(dashed.exitCode, 0) << dashed.err;

  const RunResult last =
      Run({"status", "--port=/dev/velmorante-first", "--port", "/dev/velmorante-none"});
  EXPECT_EQ(last.exitCode, 1);
  EXPECT_NE(last.err.find("'/dev/velmorante-none'"), std::string::npos) << last.err;

  const struct {
    std::vector<std::string> args;
    std::string message;
  } mistakes[] = {
      {{"decode", Path("good.txt"), "--out"}, "velmorante-cli decode: --out needs a value"},
      {{"status", "--port", "x", "--json=yes"}, "velmorante-cli status: --json takes no value"},
      {{"status", "--port", "x", "--count=2", "-q"}, "velmorante-cli status: unknown option -q"},
      {{"decode", Path("good.txt"), "--", "--out"},
       "velmorante-cli decode: takes 1 argument(s) besides its options, not 2"},
      // A subcommand's mistakes name the whole command, not its last word.
      {{"history", "show", "1", "--bogus"}, "velmorante-cli history show: unknown option --bogus"},
      {{"history", "show", "--out"}, "velmorante-cli history show: --out needs a value"},
      {{"history", "verify", "7"}, "velmorante-cli history verify: takes 0 argument(s)"},
      {{"central", "init"}, "velmorante-cli central init: takes 1 argument(s)"},
      {{"station", "add", "norte", "--json"}, "velmorante-cli station add: unknown option --json"},
  };
  for (const auto& m : mistakes) {
    const RunResult r = Run(m.args);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find(m.message), std::string::npos) << r.err;
  }
}

// The capture and the table may go to this program's own output or to a pipe by name: they are
// written into what is there as it comes, never put in its place.
TEST_F(CliEndToEnd, OutputsGivenAsDevicesOrPipesAreStreamedIntoThem) {
  LoggerOptions options = FastOptions();
  options.storedSamples = 20;
  LoggerEmulator logger(options);
  logger.Start();
  const RunResult raw = Run({"download", "--port", logger.PortPath(), "--raw", "/dev/stdout",
                             "--out", Path("table.txt"), "--no-archive"});
  ASSERT_EQ(raw.exitCode, 0) << raw.err;
  EXPECT_EQ(raw.out, logger.LastDownloadText());
  EXPECT_EQ(SavedValues(FileText(Path("table.txt"))).size(), 20u);

  // Standard output is a file: it keeps its inode, so whoever opened it reads the table.
  const std::string capture = "012003015030\r\n045014002000\r\n007068002223\r\nA";
  std::ofstream(Path("good.txt"), std::ios::binary) << capture;
  std::ofstream(Path("stdout.txt"), std::ios::binary) << "";
  struct stat before {};
  ASSERT_EQ(::stat(Path("stdout.txt").c_str(), &before), 0);
  const RunResult file =
      Run({"decode", Path("good.txt"), "--out", "/dev/stdout"}, Path("stdout.txt"));
  ASSERT_EQ(file.exitCode, 0) << file.err;
  struct stat after {};
  ASSERT_EQ(::stat(Path("stdout.txt").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(FileText(Path("stdout.txt")), "15/03/2012  14:50:30  50,0  23,5\r\n");

  // The reading end is open before the program runs and never waits: a program that does not
  // write leaves it empty rather than the test hanging. The export fits in the pipe's buffer.
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  const int reader = ::open(Path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const RunResult fifo =
      Run({"export", Path("good.txt"), "--format", "csv", "--out", Path("pipe")});
  std::string piped;
  char buffer[4096];
  for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;) piped.append(buffer, n);
  ::close(reader);
  EXPECT_EQ(fifo.exitCode, 0) << fifo.err;
  EXPECT_NE(piped.find("1,2012-03-15T14:50:30,50.0,23.5"), std::string::npos) << piped;
  // Nothing but what the test made is left in its folder (no temporary file beside a device).
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 6u);  // good.txt, table.txt, stdout.txt, pipe, stdout, stderr
}

// A logger with nothing in its memory is no failure: said so, the download kept in the archive,
// and no table file made or replaced.
TEST_F(CliEndToEnd, EmptyLoggerIsNoFailureAndLeavesTheTableFileAlone) {
  LoggerOptions options = FastOptions();
  options.storedSamples = 0;
  LoggerEmulator logger(options);
  logger.Start();
  std::ofstream(Path("table.txt"), std::ios::binary) << "old";
  const RunResult r = Run({"download", "--port", logger.PortPath(), "--out", Path("table.txt"),
                           "--archive", Path("a.sqlite")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("the logger holds no samples"), std::string::npos) << r.err;
  EXPECT_EQ(FileText(Path("table.txt")), "old");
  const RunResult history = Run({"history", "--json", "--archive", Path("a.sqlite")});
  EXPECT_NE(history.out.find("\"samples\":0"), std::string::npos) << history.out;
}

}  // namespace
