// A station whose logger's temperature crosses the rule's limit, with a notification command: the
// alarm the station raises reaches the command as one JSON object, through the station's own
// notifier, while the station goes on watching.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "alarms/AlarmStore.h"
#include "data/ChannelValueText.h"
#include "notify/NotifyStore.h"
#include "station/StationRunner.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/station/FillingLogger.h"

namespace {

// The JSON objects the command was given, one a line.
std::vector<nlohmann::json> Received(const std::string& path) {
  std::vector<nlohmann::json> events;
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    const nlohmann::json json = nlohmann::json::parse(line, nullptr, false);
    if (!json.is_discarded()) events.push_back(json);
  }
  return events;
}

TEST(StationNotify, AnAlarmTheStationRaisesReachesItsCommand) {
  archive_test::TempFolder folder;
  LoggerOptions options = station_test::FillingLogger(folder.File("logger"));
  options.storedSamples = 288;  // a day: warm afternoon, cold night
  LoggerEmulator logger(options);
  logger.Start();
  double lowest = 1e9, highest = -1e9;
  for (const LoggerSample& sample : logger.StoredSamples()) {
    lowest = std::min(lowest, TemperatureFromReading(sample.temperatureReading));
    highest = std::max(highest, TemperatureFromReading(sample.temperatureReading));
  }
  AlarmRule rule;
  rule.temperatureHigh = (lowest + highest) / 2;
  const std::string archive = folder.File("archivo.sqlite");
  const StationSettings settings{"camara1", options.linkPath, 4, std::chrono::hours(24)};
  StationStore(archive).Add(settings);
  AlarmStore(archive).SetRule("camara1", rule, {"ana", "h", "test", "1"}, "cold room");
  StationNotify notify;
  notify.station = "camara1";
  // Each event appended as one line: a delivery never overwrites the one before.
  notify.command =
      "cat >> '" + folder.File("eventos") + "'; echo >> '" + folder.File("eventos") + "'";
  NotifyStore(archive, ArchiveAccess::kReadWrite).Write(notify);

  std::ostringstream log;
  NotifierTiming quick;
  quick.lookEvery = std::chrono::milliseconds(100);
  StationRunner runner(settings, archive, log, {}, quick);
  std::thread thread([&] { runner.Run(); });
  // Other alarms may come first (a fast logger's clock drifts): the excursion's is looked for.
  nlohmann::json first;
  const auto raised = [&] {
    for (const nlohmann::json& event : Received(folder.File("eventos"))) {
      if (event.value("event", "") == "raised" && event.value("kind", "") == "t_high") {
        first = event;
        return true;
      }
    }
    return false;
  };
  const bool reached = station_test::WaitFor(raised);
  runner.Stop();
  thread.join();
  ASSERT_TRUE(reached) << "the station's log:\n" << log.str();
  EXPECT_EQ(first["station"], "camara1");
  EXPECT_DOUBLE_EQ(first["limit"].get<double>(), *rule.temperatureHigh);
  EXPECT_GT(first["peak"].get<double>(), *rule.temperatureHigh);
}

}  // namespace
