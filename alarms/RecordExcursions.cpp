// Runs the excursion finder over a station's record, its recordings in time order, and makes alarms
// of what it raises.
#include "alarms/RecordExcursions.h"

#include <algorithm>
#include <optional>
#include <utility>

#include <nlohmann/json.hpp>

#include "alarms/ExcursionFinder.h"
#include "analysis/StampText.h"

RecordSeries SeriesOf(const record::StationRecord& record) {
  // The recordings in the order their samples were taken, as one series: a station empties its
  // logger and the next recording goes on from there, so an excursion runs on across the reset.
  std::vector<const record::Segment*> recordings;
  for (const record::Segment& segment : record.segments)
    if (!segment.samples.empty()) recordings.push_back(&segment);
  std::stable_sort(recordings.begin(), recordings.end(),
                   [](const record::Segment* a, const record::Segment* b) {
                     return analysis::IsoText(analysis::StampOf(a->samples.front())) <
                            analysis::IsoText(analysis::StampOf(b->samples.front()));
                   });
  RecordSeries series;
  for (const record::Segment* segment : recordings) {
    for (const SampleNumbers& sample : segment->samples) {
      series.samples.push_back(&sample);
      series.minutesOf.push_back(segment->rateMinutes);
    }
  }
  return series;
}

std::vector<Alarm> RecordExcursionAlarms(const record::StationRecord& record, const AlarmRule& rule,
                                         const std::string& station) {
  const std::string ruleText = AlarmRuleJson(rule).dump();
  const RecordSeries series = SeriesOf(record);
  const std::vector<const SampleNumbers*>& samples = series.samples;
  const std::vector<int>& minutesOf = series.minutesOf;
  std::vector<Alarm> alarms;
  for (bool temperature : {true, false}) {
    std::vector<std::optional<double>> values;
    values.reserve(samples.size());
    for (const SampleNumbers* s : samples)
      values.push_back(s->hasValues ? std::optional(temperature ? s->temperature : s->humidity)
                                    : std::nullopt);
    for (const Excursion& e : FindExcursions(values, temperature, rule, minutesOf)) {
      if (!e.raised) continue;
      Alarm alarm;
      alarm.station = station;
      alarm.kind = e.kind;
      alarm.level = e.level;
      alarm.limit = e.limit;
      alarm.startedAt = analysis::IsoText(analysis::StampOf(*samples[e.first]));
      if (e.end) alarm.endedAt = analysis::IsoText(analysis::StampOf(*samples[*e.end]));
      alarm.samples = e.samples;
      alarm.minutes = e.minutes;
      alarm.peak = e.peak;
      alarm.rule = ruleText;
      alarms.push_back(std::move(alarm));
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
