// Sets the excursions and gaps of a station's record against its kept alarms.
#include "station/RecordAlarms.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include <nlohmann/json.hpp>

#include "alarms/RecordExcursions.h"
#include "analysis/StampText.h"
#include "record/RecordSelection.h"

namespace {

// One recording's first and last sample times and its rate.
struct Span {
  std::string first, last;
  int rateMinutes = 0;
};

bool IsExcursion(AlarmKind kind) {
  return kind == AlarmKind::kTemperatureHigh || kind == AlarmKind::kTemperatureLow ||
         kind == AlarmKind::kHumidityHigh || kind == AlarmKind::kHumidityLow;
}

std::int64_t Seconds(const std::string& iso) {
  return record::WallClockFromIso(iso).value_or(0);
}

bool SameIdentity(const Alarm& a, const Alarm& b) {
  return a.kind == b.kind && a.level == b.level && a.startedAt == b.startedAt;
}

// Whether the times of `a` and `b` meet; an open alarm runs on without end. The stamps are
// zero-padded with a four-digit year, so their text sorts as time does.
bool Overlap(const Alarm& a, const Alarm& b) {
  return (!b.endedAt || a.startedAt <= *b.endedAt) && (!a.endedAt || b.startedAt <= *a.endedAt);
}

// `kept` with the fields that the record found, confirmed (no longer live).
Alarm Confirmed(const Alarm& kept, const Alarm& found) {
  Alarm alarm = kept;
  alarm.limit = found.limit;
  alarm.startedAt = found.startedAt;
  alarm.endedAt = found.endedAt;
  alarm.samples = found.samples;
  alarm.minutes = found.minutes;
  alarm.peak = found.peak;
  alarm.live = false;
  return alarm;
}

bool Changed(const Alarm& before, const Alarm& after) {
  return before.limit != after.limit || before.startedAt != after.startedAt ||
         before.endedAt != after.endedAt || before.samples != after.samples ||
         before.minutes != after.minutes || before.peak != after.peak || before.live != after.live;
}

}  // namespace

RecordAlarmChanges RecordAlarms(const record::StationRecord& record,
                                const std::optional<AlarmRule>& rule, const std::string& station,
                                const std::vector<Alarm>& kept) {
  RecordAlarmChanges changes;
  std::vector<Span> spans;
  for (const record::Segment& segment : record.segments) {
    if (segment.samples.empty()) continue;
    spans.push_back({analysis::IsoText(analysis::StampOf(segment.samples.front())),
                     analysis::IsoText(analysis::StampOf(segment.samples.back())),
                     segment.rateMinutes});
  }
  if (spans.empty()) return changes;
  const auto latest = std::max_element(
      spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.last < b.last; });
  const AlarmRule inForce = rule.value_or(AlarmRule{});
  const std::string ruleText = AlarmRuleJson(inForce).dump();

  std::vector<Alarm> found = RecordExcursionAlarms(record, inForce, station);
  // An excursion still beyond at the end of a recording that a later one follows was last seen
  // there: the logger was emptied and recorded on afresh, so it ends with its recording.
  for (Alarm& alarm : found) {
    if (alarm.endedAt) continue;
    for (const Span& span : spans) {
      if (&span != &*latest && span.first <= alarm.startedAt && alarm.startedAt <= span.last)
        alarm.endedAt = span.last;
    }
  }

  std::set<std::int64_t> matched;
  for (const Alarm& alarm : found) {
    auto same = std::find_if(kept.begin(), kept.end(),
                             [&](const Alarm& k) { return SameIdentity(k, alarm); });
    // An alarm raised from status replies starts at the reply that first went beyond; the record
    // starts it at the sample that did.
    if (same == kept.end()) {
      same = std::find_if(kept.begin(), kept.end(), [&](const Alarm& k) {
        return k.live && k.kind == alarm.kind && k.level == alarm.level && !matched.count(k.id) &&
               Overlap(k, alarm);
      });
    }
    if (same == kept.end()) {
      changes.raise.push_back(alarm);
      continue;
    }
    matched.insert(same->id);
    const Alarm confirmed = Confirmed(*same, alarm);
    if (Changed(*same, confirmed)) changes.update.push_back(confirmed);
  }

  // Excursions kept that the record does not raise: a live one the record covers did not happen
  // as the replies suggested; an open one from an earlier rule is over.
  const std::int64_t lastSeconds = Seconds(latest->last);
  for (const Alarm& k : kept) {
    if (!IsExcursion(k.kind) || matched.count(k.id)) continue;
    Alarm corrected = k;
    if (k.live) {
      const double covered = inForce.delayMinutes * 60 + latest->rateMinutes * 60.0;
      if (Seconds(k.startedAt) + covered > lastSeconds) continue;  // not recorded yet
      corrected.live = false;
      corrected.samples = 0;
      corrected.minutes = 0;
      if (!corrected.endedAt) corrected.endedAt = k.startedAt;
    } else if (k.open()) {
      corrected.endedAt = latest->last;
    }
    if (Changed(k, corrected)) changes.update.push_back(corrected);
  }

  // Time missing between recordings: at least one sample that was never recorded.
  for (std::size_t i = 1; i < spans.size(); ++i) {
    const std::int64_t rate = std::int64_t{spans[i - 1].rateMinutes} * 60;
    const std::int64_t missing = Seconds(spans[i].first) - Seconds(spans[i - 1].last) - rate;
    if (rate <= 0 || missing < rate) continue;
    Alarm gap;
    gap.station = station;
    gap.kind = AlarmKind::kGap;
    gap.level = AlarmLevel::kAlarm;
    gap.startedAt = spans[i - 1].last;
    gap.endedAt = spans[i].first;
    gap.samples = missing / rate;
    gap.minutes = static_cast<double>(missing) / 60;
    gap.rule = ruleText;
    if (std::none_of(kept.begin(), kept.end(),
                     [&](const Alarm& k) { return SameIdentity(k, gap); }))
      changes.raise.push_back(gap);
  }
  return changes;
}
