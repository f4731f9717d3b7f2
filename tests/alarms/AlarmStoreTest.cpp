// Alarms kept in an archive file: a rule and alarms read back as written, each change with its
// event and audit entry, and the changes that must be refused leaving the archive as it was.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <nlohmann/json.hpp>

#include "alarms/AlarmStore.h"
#include "archive/Sqlite.h"
#include "archive/StationStore.h"
#include "tests/archive/ArchiveTestFiles.h"

namespace {

using archive_test::TempFolder;

const AuditActor kActor{"ana", "host", "velmorante-cli", "1.0"};

// The events kept, as "event:alarm id" in order, and the payload of the last one.
std::pair<std::vector<std::string>, nlohmann::json> Events(const std::string& path) {
  SqliteConnection db;
  db.Open(path, SQLITE_OPEN_READONLY);
  SqliteStatement query(db, "SELECT event, alarm_id, payload FROM alarm_events ORDER BY id");
  SqliteStatement::Use use(query);
  std::vector<std::string> events;
  nlohmann::json last;
  while (query.Step()) {
    events.push_back(query.Text(0) + ":" + std::to_string(query.Integer(1)));
    last = nlohmann::json::parse(query.Text(2));
  }
  return {events, last};
}

Alarm Excursion(const std::string& startedAt, AlarmLevel level = AlarmLevel::kAlarm) {
  Alarm alarm;
  alarm.station = "camara1";
  alarm.kind = AlarmKind::kTemperatureHigh;
  alarm.level = level;
  alarm.limit = 8;
  alarm.startedAt = startedAt;
  alarm.samples = 3;
  alarm.minutes = 15;
  alarm.peak = 9.5;
  alarm.rule = R"({"t_high":8.0})";
  alarm.live = true;
  return alarm;
}

TEST(AlarmStore, RuleAndAlarmsRoundTripWithTheirEventsAndAuditEntries) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  StationSettings station;
  station.name = "camara1";
  station.port = "/dev/ttyUSB0";
  StationStore(path).Add(station);

  AlarmStore store(path);
  EXPECT_FALSE(store.Rule("camara1"));
  AlarmRule rule;
  rule.temperatureHigh = 8;
  rule.temperatureWarnHigh = 7;
  rule.delayMinutes = 10;
  store.SetRule("camara1", rule, kActor, "cold room");
  rule.temperatureLow = 2;
  store.SetRule("camara1", rule, kActor, "lower limit too");
  EXPECT_EQ(store.Rule("camara1"), rule);

  const Alarm raised = store.Raise(Excursion("2026-12-07T14:05:00"));
  EXPECT_GT(raised.id, 0);
  EXPECT_FALSE(raised.raisedAt.empty());
  // The same identity raised again is the same alarm, with no second event.
  EXPECT_EQ(store.Raise(Excursion("2026-12-07T14:05:00")).id, raised.id);
  const Alarm warning = store.Raise(Excursion("2026-12-07T14:00:00", AlarmLevel::kWarning));

  Alarm grown = raised;
  grown.samples = 5;
  grown.live = false;
  EXPECT_TRUE(store.Update(grown).open());
  grown.endedAt = "2026-12-07T14:30:00";
  store.Update(grown);
  store.Update(grown);  // ending an ended alarm again clears nothing more

  EXPECT_EQ(store.List().size(), 2u);
  EXPECT_EQ(store.List("camara1", true).size(), 1u);
  EXPECT_EQ(store.List("camara1", true)[0].id, warning.id);
  EXPECT_TRUE(store.List("otra").empty());
  const Alarm kept = *store.Find(raised.id);
  EXPECT_EQ(kept.samples, 5);
  EXPECT_FALSE(kept.live);
  EXPECT_EQ(kept.peak, 9.5);
  EXPECT_EQ(kept.endedAt, "2026-12-07T14:30:00");

  const Alarm acked = store.Acknowledge(raised.id, kActor, "door left open");
  ASSERT_TRUE(acked.acknowledgement);
  EXPECT_EQ(acked.acknowledgement->by, "ana");
  EXPECT_EQ(store.Find(raised.id)->acknowledgement->comment, "door left open");

  const auto [events, last] = Events(path);
  const std::string a = std::to_string(raised.id), w = std::to_string(warning.id);
  EXPECT_EQ(events, (std::vector<std::string>{"raised:" + a, "raised:" + w, "cleared:" + a,
                                              "acknowledged:" + a}));
  EXPECT_EQ(last["event"], "acknowledged");
  EXPECT_EQ(last["acknowledged"]["comment"], "door left open");
  EXPECT_EQ(last["ended_at"], "2026-12-07T14:30:00");

  SqliteConnection db;
  db.Open(path, SQLITE_OPEN_READONLY);
  std::vector<std::string> actions;
  for (const AuditEntry& entry : ReadAuditEntries(db))
    actions.push_back(AuditActionCode(entry.change.action));
  EXPECT_EQ(actions, (std::vector<std::string>{"rules_change", "rules_change", "alarm_ack"}));
  const std::vector<AuditEntry> entries = ReadAuditEntries(db);
  EXPECT_FALSE(entries[0].change.oldValue);
  EXPECT_EQ(nlohmann::json::parse(*entries[1].change.oldValue)["t_low"], nullptr);
  EXPECT_EQ(nlohmann::json::parse(*entries[1].change.newValue)["t_low"], 2.0);
}

TEST(AlarmStore, RefusedChangesKeepNothing) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  StationSettings station;
  station.name = "camara1";
  station.port = "/dev/ttyUSB0";
  StationStore(path).Add(station);
  AlarmStore store(path);
  const Alarm alarm = store.Raise(Excursion("2026-12-07T14:05:00"));

  for (const char* comment : {"", "  \t\n"})
    EXPECT_THROW(store.Acknowledge(alarm.id, kActor, comment), AlarmError) << comment;
  EXPECT_THROW(store.Acknowledge(alarm.id + 1, kActor, "no such"), AlarmError);
  store.Acknowledge(alarm.id, kActor, "seen");
  EXPECT_THROW(store.Acknowledge(alarm.id, kActor, "twice"), AlarmError);
  EXPECT_EQ(store.Find(alarm.id)->acknowledgement->comment, "seen");

  AlarmRule good;
  good.temperatureHigh = 8;
  EXPECT_THROW(store.SetRule("nadie", good, kActor, "why"), AlarmError);
  EXPECT_THROW(store.SetRule("camara1", good, kActor, " "), AlarmError);
  AlarmRule crossed = good;
  crossed.temperatureLow = 8;  // low at the high limit
  EXPECT_THROW(store.SetRule("camara1", crossed, kActor, "why"), AlarmError);
  AlarmRule warnOutside = good;
  warnOutside.temperatureWarnHigh = 9;  // warning beyond the alarm
  EXPECT_THROW(store.SetRule("camara1", warnOutside, kActor, "why"), AlarmError);
  AlarmRule negative = good;
  negative.hysteresis = -1;
  EXPECT_THROW(store.SetRule("camara1", negative, kActor, "why"), AlarmError);
  EXPECT_FALSE(store.Rule("camara1"));

  SqliteConnection db;
  db.Open(path, SQLITE_OPEN_READONLY);
  EXPECT_EQ(ReadAuditEntries(db).size(), 1u);  // the one acknowledgement
  EXPECT_EQ(Events(path).first.size(), 2u);    // raised, acknowledged
}

}  // namespace
