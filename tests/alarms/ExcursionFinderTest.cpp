// Excursions beyond a rule's limits at their edges: a value exactly at a limit, the hysteresis
// band, the delay just met and just missed, an excursion still open, a swing across both limits,
// warning and alarm limits together, unread samples, and the alarms a station's record raises.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "alarms/ExcursionFinder.h"
#include "alarms/RecordExcursions.h"

namespace {

using Values = std::vector<std::optional<double>>;

AlarmRule TemperatureRule(std::optional<double> low, std::optional<double> high) {
  AlarmRule rule;
  rule.temperatureLow = low;
  rule.temperatureHigh = high;
  return rule;
}

TEST(ExcursionFinder, ALimitIsCrossedOnlyBeyondItAndLeftOnlyPastTheHysteresisBand) {
  AlarmRule rule = TemperatureRule(10.0, 30.0);
  rule.hysteresis = 0.5;
  // 30 and 10 are at the limits, not beyond; 29.75 and 10.25 are inside the band and keep the
  // excursion going; 29.5 and 10.5 are exactly at the band's edge and end it.
  const Values values{30.0, 30.25, 29.75, 31.0, 29.5, 10.0, 9.5, 10.25, 8.0, 10.5, 12.0};
  const auto found = FindExcursions(values, true, rule, 5);
  ASSERT_EQ(found.size(), 2u);

  EXPECT_EQ(found[0].kind, AlarmKind::kTemperatureHigh);
  EXPECT_EQ(found[0].level, AlarmLevel::kAlarm);
  EXPECT_EQ(found[0].limit, 30.0);
  EXPECT_EQ(found[0].first, 1u);
  EXPECT_EQ(found[0].end, 4u);
  EXPECT_EQ(found[0].samples, 3);
  EXPECT_EQ(found[0].minutes, 15.0);
  EXPECT_EQ(found[0].peak, 31.0);
  EXPECT_TRUE(found[0].raised);

  EXPECT_EQ(found[1].kind, AlarmKind::kTemperatureLow);
  EXPECT_EQ(found[1].first, 6u);
  EXPECT_EQ(found[1].end, 9u);
  EXPECT_EQ(found[1].samples, 3);
  EXPECT_EQ(found[1].peak, 8.0);

  // The humidity limits are not the temperature's.
  EXPECT_TRUE(FindExcursions(values, false, rule, 5).empty());
}

TEST(ExcursionFinder, TheDelayIsMetByTheSamplesMinutesAndAnExcursionOpenAtTheEndCountsToo) {
  AlarmRule rule;
  rule.humidityHigh = 80.0;
  rule.delayMinutes = 15;
  // Three samples of five minutes meet a 15-minute delay; two do not; the last run is still beyond
  // at the end and has no ending sample.
  const Values values{81.0, 82.0, 83.0, 70.0, 85.0, 86.0, 70.0, 90.0, 91.0, 92.0};
  const auto found = FindExcursions(values, false, rule, 5);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].kind, AlarmKind::kHumidityHigh);
  EXPECT_EQ(found[0].minutes, 15.0);
  EXPECT_TRUE(found[0].raised);
  EXPECT_EQ(found[1].minutes, 10.0);
  EXPECT_FALSE(found[1].raised);
  EXPECT_EQ(found[2].first, 7u);
  EXPECT_EQ(found[2].end, std::nullopt);
  EXPECT_EQ(found[2].samples, 3);
  EXPECT_EQ(found[2].peak, 92.0);
  EXPECT_TRUE(found[2].raised);
}

TEST(ExcursionFinder, ASwingFromAboveHighToBelowLowEndsOneAndStartsTheOtherAtTheSameSample) {
  const auto found = FindExcursions({20.0, 35.0, 5.0, 20.0}, true, TemperatureRule(10.0, 30.0), 1);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].kind, AlarmKind::kTemperatureHigh);
  EXPECT_EQ(found[0].end, 2u);
  EXPECT_EQ(found[0].samples, 1);
  EXPECT_EQ(found[1].kind, AlarmKind::kTemperatureLow);
  EXPECT_EQ(found[1].first, 2u);
  EXPECT_EQ(found[1].end, 3u);
}

TEST(ExcursionFinder, WarningAndAlarmLimitsAreFollowedEachOnItsOwn) {
  AlarmRule rule = TemperatureRule(std::nullopt, 30.0);
  rule.temperatureWarnHigh = 25.0;
  const auto found = FindExcursions({20.0, 26.0, 31.0, 27.0, 20.0}, true, rule, 5);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].level, AlarmLevel::kWarning);
  EXPECT_EQ(found[0].limit, 25.0);
  EXPECT_EQ(found[0].first, 1u);
  EXPECT_EQ(found[0].end, 4u);
  EXPECT_EQ(found[0].peak, 31.0);
  EXPECT_EQ(found[1].level, AlarmLevel::kAlarm);
  EXPECT_EQ(found[1].first, 2u);
  EXPECT_EQ(found[1].end, 3u);
}

TEST(ExcursionFinder, AnUnreadSampleNeitherStartsEndsNorCounts) {
  const auto found = FindExcursions({std::nullopt, 35.0, std::nullopt, 36.0, std::nullopt, 20.0},
                                    true, TemperatureRule(std::nullopt, 30.0), 5);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].first, 1u);
  EXPECT_EQ(found[0].end, 5u);
  EXPECT_EQ(found[0].samples, 2);
  EXPECT_EQ(found[0].minutes, 10.0);
}

SampleNumbers Sample(int day, int hour, int minute, double humidity, double temperature) {
  SampleNumbers s;
  s.hasValues = true;
  s.humidity = humidity;
  s.temperature = temperature;
  s.hasStamp = true;
  s.year = 2026;
  s.month = 12;
  s.day = day;
  s.hour = hour;
  s.minute = minute;
  return s;
}

TEST(RecordExcursions, RaisedExcursionsOfEveryRecordingBecomeAlarmsInTimeOrder) {
  record::StationRecord record;
  record::Segment late;  // recorded after the other but listed first
  late.rateMinutes = 5;
  late.samples = {Sample(8, 9, 0, 50, 20), Sample(8, 9, 5, 50, 40)};
  record::Segment early;
  early.rateMinutes = 5;
  early.samples = {Sample(7, 14, 5, 95, 20), Sample(7, 14, 10, 96, 20), Sample(7, 14, 15, 50, 20),
                   Sample(7, 14, 20, 95, 20)};
  record.segments = {late, early};
  AlarmRule rule = TemperatureRule(std::nullopt, 30.0);
  rule.humidityHigh = 90.0;
  rule.delayMinutes = 10;

  const auto alarms = RecordExcursionAlarms(record, rule, "cámara 1");
  // The one-sample humidity run at 14:20 and the temperature run at 09:05, cut by its recording's
  // end, fall short of the delay.
  ASSERT_EQ(alarms.size(), 1u);
  const Alarm& alarm = alarms[0];
  EXPECT_EQ(alarm.id, 0);
  EXPECT_EQ(alarm.station, "cámara 1");
  EXPECT_EQ(alarm.kind, AlarmKind::kHumidityHigh);
  EXPECT_EQ(alarm.startedAt, "2026-12-07T14:05:00");
  EXPECT_EQ(alarm.endedAt, "2026-12-07T14:15:00");
  EXPECT_EQ(alarm.samples, 2);
  EXPECT_EQ(alarm.peak, 96.0);
  EXPECT_EQ(nlohmann::json::parse(alarm.rule), AlarmRuleJson(rule));

  rule.delayMinutes = 0;
  const auto all = RecordExcursionAlarms(record, rule, "cámara 1");
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1].startedAt, "2026-12-07T14:20:00");
  EXPECT_FALSE(all[1].endedAt);
  EXPECT_EQ(all[2].kind, AlarmKind::kTemperatureHigh);
  EXPECT_EQ(all[2].startedAt, "2026-12-08T09:05:00");
  EXPECT_FALSE(all[2].endedAt);
}

}  // namespace
