// Runs the excursion finder over each recording of a station's record and makes alarms of what it
// raises.
#include "alarms/RecordExcursions.h"

#include <algorithm>
#include <optional>
#include <utility>

#include <nlohmann/json.hpp>

#include "alarms/ExcursionFinder.h"
#include "analysis/StampText.h"

std::vector<Alarm> RecordExcursionAlarms(const record::StationRecord& record, const AlarmRule& rule,
                                         const std::string& station) {
  const std::string ruleText = AlarmRuleJson(rule).dump();
  std::vector<Alarm> alarms;
  for (const record::Segment& segment : record.segments) {
    for (bool temperature : {true, false}) {
      std::vector<std::optional<double>> values;
      values.reserve(segment.samples.size());
      for (const SampleNumbers& s : segment.samples)
        values.push_back(s.hasValues ? std::optional(temperature ? s.temperature : s.humidity)
                                     : std::nullopt);
      for (const Excursion& e : FindExcursions(values, temperature, rule, segment.rateMinutes)) {
        if (!e.raised) continue;
        Alarm alarm;
        alarm.station = station;
        alarm.kind = e.kind;
        alarm.level = e.level;
        alarm.limit = e.limit;
        alarm.startedAt = analysis::IsoText(analysis::StampOf(segment.samples[e.first]));
        if (e.end) alarm.endedAt = analysis::IsoText(analysis::StampOf(segment.samples[*e.end]));
        alarm.samples = e.samples;
        alarm.minutes = e.minutes;
        alarm.peak = e.peak;
        alarm.rule = ruleText;
        alarms.push_back(std::move(alarm));
      }
    }
  }
  // The stamps are zero-padded with a four-digit year, so their text sorts as time does.
  std::stable_sort(alarms.begin(), alarms.end(),
                   [](const Alarm& a, const Alarm& b) { return a.startedAt < b.startedAt; });
  return alarms;
}

std::vector<Alarm> TableExcursionAlarms(const SampleTable& table, const AlarmRule& rule,
                                        const std::string& station) {
  record::StationRecord record;
  record::Segment& segment = record.segments.emplace_back();
  segment.rateMinutes = table.rateMinutes;
  segment.samples = table.samples;
  return RecordExcursionAlarms(record, rule, station);
}

std::vector<Alarm> AlarmsInWindow(std::vector<Alarm> alarms, const record::TimeWindow& window) {
  std::erase_if(alarms, [&window](const Alarm& alarm) {
    const std::optional<std::int64_t> start = record::WallClockFromIso(alarm.startedAt);
    const std::optional<std::int64_t> end =
        alarm.endedAt ? record::WallClockFromIso(*alarm.endedAt) : std::nullopt;
    if (window.to && start && *start > *window.to) return true;
    return window.from && end && *end <= *window.from;
  });
  return alarms;
}
