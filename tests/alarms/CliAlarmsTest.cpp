// velmorante-cli's rules and alarms commands run as a program on a real archive file: a rule kept
// with only the limits given changed, the refusals with their exit statuses, an acknowledgement
// that needs a comment, and a check of a saved download that keeps nothing.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "alarms/AlarmStore.h"
#include "archive/StationStore.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/sim/CliProcess.h"

namespace {

using namespace archive_test;
using Json = nlohmann::json;

struct RunResult {
  int exitCode = -1;
  std::string out, err;
};

class CliAlarms : public ::testing::Test {
 protected:
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

TEST_F(CliAlarms, RulesSetKeepsWhatIsNotGivenAndRefusesContradictions) {
  ASSERT_EQ(Run({"station", "add", "camara1", "--port", "/dev/ttyUSB0"}).exitCode, 0);
  EXPECT_EQ(Run({"rules", "set", "camara1", "--t-high", "8", "--t-warn-high", "7", "--delay", "10",
                 "--reason", "cold room"})
                .exitCode,
            0);
  EXPECT_EQ(Run({"rules", "set", "camara1", "--t-low", "2", "--reason", "lower too"}).exitCode, 0);
  EXPECT_EQ(Run({"rules", "set", "camara1", "--t-warn-high", "none", "--reason", "r"}).exitCode, 0);

  const struct {
    std::vector<std::string> args;
    int exitCode;
  } refused[] = {
      {{"rules", "set", "camara1", "--t-low", "8", "--reason", "r"}, 2},       // low at high
      {{"rules", "set", "camara1", "--t-warn-low", "1", "--reason", "r"}, 2},  // beyond alarm
      {{"rules", "set", "camara1", "--t-high", "8,5", "--reason", "r"}, 2},    // not a number
      {{"rules", "set", "camara1", "--delay", "-1", "--reason", "r"}, 2},      // negative
      {{"rules", "set", "camara1", "--t-high", "9"}, 2},                       // no reason
      {{"rules", "set", "camara1", "--reason", "r"}, 2},                       // nothing given
      {{"rules", "set", "nadie", "--t-high", "9", "--reason", "r"}, 1},        // no station
  };
  for (const auto& r : refused) {
    const RunResult result = Run(r.args);
    EXPECT_EQ(result.exitCode, r.exitCode) << r.args[3];
    EXPECT_FALSE(result.err.empty());
  }

  const RunResult shown = Run({"rules", "show", "camara1", "--json"});
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  AlarmRule expected;
  expected.temperatureLow = 2;
  expected.temperatureHigh = 8;
  expected.delayMinutes = 10;
  EXPECT_EQ(AlarmRuleFromJson(Json::parse(shown.out)), expected);
}

TEST_F(CliAlarms, AcknowledgingNeedsACommentAndHappensOnce) {
  StationSettings station;
  station.name = "camara1";
  station.port = "/dev/ttyUSB0";
  StationStore(archive_).Add(station);
  Alarm alarm;
  alarm.station = "camara1";
  alarm.startedAt = "2026-12-07T14:05:00";
  alarm.limit = 8;
  const std::int64_t id = AlarmStore(archive_).Raise(alarm).id;
  const std::string idText = std::to_string(id);

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"alarms", "ack", idText},
        std::vector<std::string>{"alarms", "ack", idText, "--comment", "  "}}) {
    const RunResult result = Run(args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("comment"), std::string::npos) << result.err;
  }
  EXPECT_FALSE(AlarmStore(archive_).Find(id)->acknowledgement);
  EXPECT_EQ(Run({"alarms", "ack", idText, "--comment", "door shut"}).exitCode, 0);
  EXPECT_EQ(Run({"alarms", "ack", idText, "--comment", "again"}).exitCode, 1);
  EXPECT_EQ(Run({"alarms", "ack", "99", "--comment", "none such"}).exitCode, 1);

  const RunResult listed = Run({"alarms", "--open", "--json"});
  ASSERT_EQ(listed.exitCode, 0) << listed.err;
  const Json list = Json::parse(listed.out);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["acknowledged"]["comment"], "door shut");
  EXPECT_EQ(list[0]["started_at"], "2026-12-07T14:05:00");
}

TEST_F(CliAlarms, CheckFindsTheExcursionsOfAFileAndKeepsNothing) {
  const std::string file = folder_.File("captura.txt");
  WriteBytes(file, DownloadText(20));
  const CliOutputFiles files{folder_.File("stdout"), folder_.File("stderr")};
  ASSERT_EQ(WaitForCli(StartCli({"alarms", "check", file, "--t-high", "-40", "--json"}, files)), 0)
      << Bytes(files.err);
  const Json beyond = Json::parse(Bytes(files.out));
  ASSERT_EQ(beyond.size(), 1u);
  EXPECT_EQ(beyond[0]["samples"], 20);
  EXPECT_EQ(beyond[0]["ended_at"], nullptr);
  EXPECT_EQ(beyond[0]["station"], nullptr);
  ASSERT_EQ(WaitForCli(StartCli({"alarms", "check", file, "--t-high", "200", "--json"}, files)), 0);
  EXPECT_EQ(Json::parse(Bytes(files.out)), Json::array());
  EXPECT_EQ(WaitForCli(StartCli({"alarms", "check", file}, files)), 2);  // no rule given
  // A saved table, which names no start, is checked by its samples' time stamps.
  const std::string saved = folder_.File("tabla.txt");
  ASSERT_EQ(WaitForCli(StartCli({"decode", file, "--out", saved}, files)), 0);
  ASSERT_EQ(WaitForCli(StartCli({"alarms", "check", saved, "--t-high", "-40", "--json"}, files)), 0)
      << Bytes(files.err);
  const Json fromSaved = Json::parse(Bytes(files.out));
  ASSERT_EQ(fromSaved.size(), 1u);
  EXPECT_EQ(fromSaved[0]["started_at"], beyond[0]["started_at"]);
  EXPECT_EQ(fromSaved[0]["samples"], 20);
  EXPECT_FALSE(fs::exists(archive_));
}

}  // namespace
