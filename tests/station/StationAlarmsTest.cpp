// A station whose logger's temperature crosses the rule's limit: the record's evaluation after the
// first download raises the excursion with the fields the samples give, and clears it where the
// samples came back; a low battery is raised as a condition.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "alarms/AlarmStore.h"
#include "analysis/StampText.h"
#include "archive/DownloadArchive.h"
#include "archive/Sqlite.h"
#include "data/ChannelValueText.h"
#include "data/SampleDecoder.h"
#include "station/StationRunner.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/station/FillingLogger.h"

namespace {

using namespace std::chrono_literals;

// The first download the station archived, decoded.
std::optional<SampleTable> FirstDownload(const std::string& archive) {
  DownloadArchive records(archive, ArchiveAccess::kReadOnly);
  std::vector<DownloadSummary> list = records.List();
  std::sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.id < b.id; });
  for (const DownloadSummary& summary : list) {
    if (summary.complete()) return SampleDecoder().Decode(records.Get(summary.id).rawText);
  }
  return std::nullopt;
}

std::vector<std::string> EventsOf(const std::string& archive, std::int64_t alarm) {
  SqliteConnection db;
  db.Open(archive, SQLITE_OPEN_READONLY);
  SqliteStatement query(db, "SELECT event FROM alarm_events WHERE alarm_id = ? ORDER BY id");
  SqliteStatement::Use use(query);
  query.Bind(1, alarm);
  std::vector<std::string> events;
  while (query.Step()) events.push_back(query.Text(0));
  return events;
}

TEST(StationAlarms, AnExcursionIsRaisedWithItsFieldsAndClearedWhereItEndedAndALowBatteryRaised) {
  archive_test::TempFolder folder;
  LoggerOptions options = station_test::FillingLogger(folder.File("logger"));
  options.storedSamples = 288;   // a day at 5 minutes: one warm afternoon, one cold night
  options.batteryReading = 150;  // 68 %: batteries to be replaced
  LoggerEmulator logger(options);
  logger.Start();
  // The limit halfway between the day's extremes: crossed upwards and back within the day.
  double lowest = 1e9, highest = -1e9;
  for (const LoggerSample& sample : logger.StoredSamples()) {
    lowest = std::min(lowest, TemperatureFromReading(sample.temperatureReading));
    highest = std::max(highest, TemperatureFromReading(sample.temperatureReading));
  }
  AlarmRule rule;
  rule.temperatureHigh = (lowest + highest) / 2;
  rule.hysteresis = 1;
  const std::string archive = folder.File("archivo.sqlite");
  const StationSettings settings{"camara1", options.linkPath, 4, std::chrono::hours(24)};
  StationStore(archive).Add(settings);
  AlarmStore(archive).SetRule("camara1", rule, {"ana", "h", "test", "1"}, "cold room");

  std::ostringstream log;
  StationRunner runner(settings, archive, log);
  std::thread thread([&] { runner.Run(); });
  std::optional<SampleTable> first;
  ASSERT_TRUE(station_test::WaitFor([&] { return (first = FirstDownload(archive)).has_value(); }));

  // The first excursion of the day, from the samples themselves.
  const std::vector<SampleNumbers>& samples = first->samples;
  std::size_t start = 0;
  while (start < samples.size() && samples[start].temperature <= *rule.temperatureHigh) ++start;
  std::size_t end = start;
  double peak = -1e9;
  while (end < samples.size() && samples[end].temperature > *rule.temperatureHigh - 1)
    peak = std::max(peak, samples[end++].temperature);
  ASSERT_LT(end, samples.size()) << "the day's samples never came back below the limit";
  const std::string startedAt = analysis::IsoText(analysis::StampOf(samples[start]));
  const std::string endedAt = analysis::IsoText(analysis::StampOf(samples[end]));

  std::optional<Alarm> found, battery;
  const bool settled = station_test::WaitFor([&] {
    for (const Alarm& alarm : AlarmStore(archive, ArchiveAccess::kReadOnly).List("camara1")) {
      if (alarm.kind == AlarmKind::kTemperatureHigh && alarm.startedAt == startedAt &&
          alarm.endedAt && !alarm.live)
        found = alarm;
      if (alarm.kind == AlarmKind::kBattery) battery = alarm;
    }
    return found && battery;
  });
  runner.Stop();
  thread.join();
  ASSERT_TRUE(settled) << log.str();
  EXPECT_EQ(found->level, AlarmLevel::kAlarm);
  EXPECT_EQ(found->limit, rule.temperatureHigh);
  EXPECT_EQ(found->endedAt, endedAt);
  EXPECT_EQ(found->samples, static_cast<std::int64_t>(end - start));
  EXPECT_EQ(found->peak, peak);
  EXPECT_EQ(AlarmRuleFromJson(nlohmann::json::parse(found->rule)), rule);
  EXPECT_EQ(EventsOf(archive, found->id), (std::vector<std::string>{"raised", "cleared"}));
  // The battery stays low: raised once, open.
  EXPECT_TRUE(battery->open());
  EXPECT_NEAR(battery->peak.value_or(0), 150 / 2.2, 0.01);
  EXPECT_EQ(EventsOf(archive, battery->id), std::vector<std::string>{"raised"});
}

}  // namespace
