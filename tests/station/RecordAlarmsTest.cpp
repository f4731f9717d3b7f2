// A station's record set against its kept alarms: a live alarm confirmed at the record's start or
// corrected where the record shows nothing, an excursion cut off by a reset ended with its
// recording, a gap raised once, and a second pass over the result that changes nothing.
#include <gtest/gtest.h>

#include "station/RecordAlarms.h"

namespace {

// A recording at 5 minutes from `hour`:`minute` of 2026-12-07, with these temperatures.
record::Segment Recording(int hour, int minute, const std::vector<double>& temperatures) {
  record::Segment segment;
  segment.start = {26, 12, 7, hour, minute, 0};
  segment.rateMinutes = 5;
  for (std::size_t k = 0; k < temperatures.size(); ++k) {
    const int at = hour * 60 + minute + 5 * static_cast<int>(k + 1);
    SampleNumbers sample;
    sample.hasValues = sample.hasStamp = true;
    sample.temperature = temperatures[k];
    sample.humidity = 50;
    sample.year = 2026;
    sample.month = 12;
    sample.day = 7;
    sample.hour = at / 60;
    sample.minute = at % 60;
    segment.samples.push_back(sample);
  }
  return segment;
}

Alarm Kept(std::int64_t id, AlarmLevel level, std::string startedAt, bool live) {
  Alarm alarm;
  alarm.id = id;
  alarm.station = "camara1";
  alarm.kind = AlarmKind::kTemperatureHigh;
  alarm.level = level;
  alarm.limit = 10;
  alarm.startedAt = std::move(startedAt);
  alarm.live = live;
  return alarm;
}

// What the store does with the changes.
void Apply(const RecordAlarmChanges& changes, std::vector<Alarm>& kept) {
  for (const Alarm& alarm : changes.update) {
    for (Alarm& k : kept)
      if (k.id == alarm.id) k = alarm;
  }
  for (Alarm alarm : changes.raise) {
    alarm.id = static_cast<std::int64_t>(kept.size()) + 100;
    kept.push_back(alarm);
  }
}

TEST(RecordAlarms, LiveAlarmsAreConfirmedOrCorrectedAndResetsAndGapsEndWhatTheyCut) {
  record::StationRecord record;
  record.segments.push_back(Recording(0, 0, {5, 12, 13, 5, 11, 11}));  // 00:05 .. 00:30
  record.segments.push_back(Recording(1, 0, {5, 5, 12, 12}));          // 01:05 .. 01:20
  AlarmRule rule;
  rule.temperatureHigh = 10;

  std::vector<Alarm> kept = {
      Kept(1, AlarmLevel::kAlarm, "2026-12-07T01:16:40", true),    // replies saw the last one
      Kept(2, AlarmLevel::kWarning, "2026-12-07T00:40:00", true),  // replies saw what never was
  };
  kept[1].endedAt = "2026-12-07T00:45:00";
  const RecordAlarmChanges changes = RecordAlarms(record, rule, "camara1", kept);

  ASSERT_EQ(changes.update.size(), 2u);
  const Alarm& confirmed = changes.update[0];
  EXPECT_EQ(confirmed.id, 1);
  EXPECT_EQ(confirmed.startedAt, "2026-12-07T01:15:00");
  EXPECT_FALSE(confirmed.endedAt);
  EXPECT_FALSE(confirmed.live);
  EXPECT_EQ(confirmed.samples, 2);
  const Alarm& corrected = changes.update[1];
  EXPECT_EQ(corrected.id, 2);
  EXPECT_FALSE(corrected.live);
  EXPECT_EQ(corrected.samples, 0);
  EXPECT_EQ(corrected.endedAt, "2026-12-07T00:45:00");

  ASSERT_EQ(changes.raise.size(), 3u);
  std::vector<std::string> raised;
  for (const Alarm& a : changes.raise)
    raised.push_back(std::string(AlarmKindCode(a.kind)) + " " + a.startedAt + " " +
                     a.endedAt.value_or("open"));
  EXPECT_EQ(raised, (std::vector<std::string>{
                        "t_high 2026-12-07T00:10:00 2026-12-07T00:20:00",
                        // beyond when the logger was emptied: ends with its recording
                        "t_high 2026-12-07T00:25:00 2026-12-07T00:30:00",
                        // 00:30 to 01:05 with 6 samples never recorded
                        "gap 2026-12-07T00:30:00 2026-12-07T01:05:00",
                    }));
  EXPECT_EQ(changes.raise[2].samples, 6);

  Apply(changes, kept);
  const RecordAlarmChanges again = RecordAlarms(record, rule, "camara1", kept);
  EXPECT_TRUE(again.raise.empty());
  EXPECT_TRUE(again.update.empty());

  // A rule without the limit ends what the old one left open, at the record's last sample.
  Apply(again, kept);
  const RecordAlarmChanges cleared = RecordAlarms(record, AlarmRule{}, "camara1", kept);
  ASSERT_EQ(cleared.update.size(), 1u);
  EXPECT_EQ(cleared.update[0].id, 1);
  EXPECT_EQ(cleared.update[0].endedAt, "2026-12-07T01:20:00");
}

}  // namespace
