// The site's mapping on hand-made records: time beyond the limits as the excursion finder counts
// it, the period's ends, a station without samples and the extremes marked.
#include <gtest/gtest.h>

#include <numeric>

#include "alarms/ExcursionFinder.h"
#include "analysis/SiteMapping.h"
#include "analysis/StampText.h"

namespace {

using analysis::MappingPeriod;
using analysis::StationMapping;

struct Value {
  double humidity, temperature;
};

// A recording at `rate` minutes from 2026-12-07 at `hour`:00, one sample per value.
record::Segment Recording(int hour, int rate, const std::vector<Value>& values) {
  record::Segment segment;
  segment.rateMinutes = rate;
  for (std::size_t k = 0; k < values.size(); ++k) {
    SampleNumbers s;
    s.hasValues = s.hasStamp = true;
    s.humidity = values[k].humidity;
    s.temperature = values[k].temperature;
    s.year = 2026;
    s.month = 12;
    s.day = 7;
    s.hour = hour;
    s.minute = static_cast<int>(k) * rate;  // beyond 59 carries into the hour
    segment.samples.push_back(s);
  }
  return segment;
}

std::int64_t At(int hour, int minute) {
  return analysis::WallClockSeconds({2026, 12, 7, hour, minute, 0});
}

const MappingPeriod kDay{At(0, 0), At(24, 0)};

AlarmRule ColdRoom() {
  AlarmRule rule;
  rule.temperatureLow = 2;
  rule.temperatureHigh = 8;
  rule.temperatureWarnHigh = 7;
  rule.hysteresis = 0.5;
  rule.delayMinutes = 60;  // no excursion here lasts that long: unraised ones count too
  return rule;
}

// 10-minute samples at 10:00.., then 5-minute samples at 12:00..
record::StationRecord ColdRoomRecord() {
  record::StationRecord r;
  r.segments.push_back(Recording(10, 10, {{50, 5}, {50, 8}, {50, 9}, {50, 9.5}, {50, 7.9}}));
  r.segments.push_back(Recording(12, 5, {{50, 7.9}, {50, 7.5}, {50, 8}, {50, 1}, {50, 3}}));
  return r;
}

TEST(SiteMapping, TimeBeyondTheLimitsIsTheExcursionFindersAndALimitValueIsInside) {
  const record::StationRecord record = ColdRoomRecord();
  const StationMapping m = analysis::MapStation("camara", record, ColdRoom(), kDay);

  // The same series through the finder: the alarm excursions' minutes add up to the mapping's.
  std::vector<std::optional<double>> values;
  std::vector<int> minutesOf;
  for (const record::Segment& s : record.segments)
    for (const SampleNumbers& n : s.samples) {
      values.push_back(n.temperature);
      minutesOf.push_back(s.rateMinutes);
    }
  double alarm = 0, warning = 0;
  for (const Excursion& e : FindExcursions(values, true, ColdRoom(), minutesOf))
    (e.level == AlarmLevel::kAlarm ? alarm : warning) += e.minutes;
  ASSERT_TRUE(m.temperature.minutesOutside);
  EXPECT_EQ(*m.temperature.minutesOutside, alarm);
  EXPECT_EQ(*m.temperature.minutesOutsideWarning, warning);
  // 8 (at the limit) does not start one; 9, 9.5, 7.9 at 10 minutes and 7.9 at 5 run until 7.5;
  // 1 at 5 minutes is below 2 and 3 ends it (at or above 2.5).
  EXPECT_EQ(*m.temperature.minutesOutside, 10 + 10 + 10 + 5 + 5);
  EXPECT_EQ(m.temperature.samples, 10u);
  EXPECT_DOUBLE_EQ(m.temperature.min, 1);
  EXPECT_DOUBLE_EQ(m.temperature.max, 9.5);
  EXPECT_DOUBLE_EQ(m.temperature.mean, (5 + 8 + 9 + 9.5 + 7.9 + 7.9 + 7.5 + 8 + 1 + 3) / 10.0);
  // The rule sets no humidity limit.
  EXPECT_FALSE(m.humidity.minutesOutside);
  EXPECT_FALSE(m.humidity.minutesOutsideWarning);
}

TEST(SiteMapping, ThePeriodTakesItsStartAndNotItsEndAndAnExcursionRunsIntoIt) {
  const record::StationRecord record = ColdRoomRecord();
  // From 10:40 (7.9, within the hysteresis of an excursion begun at 10:20) to 12:10 (7.5).
  const StationMapping m =
      analysis::MapStation("camara", record, ColdRoom(), {At(10, 40), At(12, 10)});
  EXPECT_EQ(m.temperature.samples, 3u);  // 10:40, 12:00, 12:05
  EXPECT_DOUBLE_EQ(m.temperature.min, 7.5);
  EXPECT_EQ(*m.temperature.minutesOutside, 10 + 5);
}

TEST(SiteMapping, AStationWithoutSamplesIsListedAndTheExtremesAreMarked) {
  record::StationRecord north, south, east, west;
  north.segments.push_back(Recording(10, 10, {{40, 20}, {60, 31}}));
  south.segments.push_back(Recording(10, 10, {{35, 15}, {80, 31}}));
  east.segments.push_back(Recording(10, 10, {{55, 4}}));
  west.segments.push_back(Recording(2, 10, {{10, -30}}));  // before the period
  std::vector<StationMapping> rows = {
      analysis::MapStation("norte", north, std::nullopt, {At(10, 0), At(24, 0)}),
      analysis::MapStation("sur", south, std::nullopt, {At(10, 0), At(24, 0)}),
      analysis::MapStation("este", east, std::nullopt, {At(10, 0), At(24, 0)}),
      analysis::MapStation("oeste", west, std::nullopt, {At(10, 0), At(24, 0)}),
  };
  analysis::MarkExtremes(rows);
  EXPECT_FALSE(rows[3].HasSamples());
  EXPECT_FALSE(rows[3].coldest || rows[3].driest || rows[3].hottest || rows[3].mostHumid);
  EXPECT_FALSE(rows[0].temperature.minutesOutside);  // no rule
  // 31 C at both norte and sur: both are the hottest.
  EXPECT_TRUE(rows[0].hottest);
  EXPECT_TRUE(rows[1].hottest);
  EXPECT_FALSE(rows[2].hottest);
  EXPECT_TRUE(rows[2].coldest);
  EXPECT_TRUE(rows[1].mostHumid);
  EXPECT_TRUE(rows[1].driest);
  EXPECT_FALSE(rows[0].coldest || rows[0].mostHumid || rows[0].driest);
}

}  // namespace
