// Follows each limit of a rule along a channel's samples and cuts the runs beyond it.
#include "alarms/ExcursionFinder.h"

#include <algorithm>

namespace {

struct Limit {
  AlarmKind kind;
  AlarmLevel level;
  std::optional<double> value;
  bool high;
};

// The excursions beyond one limit, in order.
void Follow(const std::vector<std::optional<double>>& values, const Limit& limit,
            const AlarmRule& rule, int rateMinutes, std::vector<Excursion>& out) {
  const double bound = *limit.value;
  // The value at or beyond which a running excursion ends.
  const double back = limit.high ? bound - rule.hysteresis : bound + rule.hysteresis;
  std::optional<Excursion> running;
  auto close = [&](std::optional<std::size_t> end) {
    running->end = end;
    running->minutes = static_cast<double>(running->samples) * rateMinutes;
    running->raised = running->minutes >= rule.delayMinutes;
    out.push_back(*running);
    running.reset();
  };
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!values[i]) continue;
    const double v = *values[i];
    if (running) {
      const bool ends = limit.high ? v <= back : v >= back;
      if (ends) {
        close(i);
      } else {
        ++running->samples;
        running->peak = limit.high ? std::max(running->peak, v) : std::min(running->peak, v);
        continue;
      }
    }
    const bool beyond = limit.high ? v > bound : v < bound;
    if (beyond) {
      Excursion e;
      e.kind = limit.kind;
      e.level = limit.level;
      e.limit = bound;
      e.first = i;
      e.samples = 1;
      e.peak = v;
      running = e;
    }
  }
  if (running) close(std::nullopt);
}

}  // namespace

std::vector<Excursion> FindExcursions(const std::vector<std::optional<double>>& values,
                                      bool temperature, const AlarmRule& rule, int rateMinutes) {
  using enum AlarmKind;
  using enum AlarmLevel;
  const Limit limits[] = {
      temperature ? Limit{kTemperatureHigh, kAlarm, rule.temperatureHigh, true}
                  : Limit{kHumidityHigh, kAlarm, rule.humidityHigh, true},
      temperature ? Limit{kTemperatureLow, kAlarm, rule.temperatureLow, false}
                  : Limit{kHumidityLow, kAlarm, rule.humidityLow, false},
      temperature ? Limit{kTemperatureHigh, kWarning, rule.temperatureWarnHigh, true}
                  : Limit{kHumidityHigh, kWarning, rule.humidityWarnHigh, true},
      temperature ? Limit{kTemperatureLow, kWarning, rule.temperatureWarnLow, false}
                  : Limit{kHumidityLow, kWarning, rule.humidityWarnLow, false},
  };
  std::vector<Excursion> found;
  for (const Limit& limit : limits)
    if (limit.value) Follow(values, limit, rule, rateMinutes, found);
  std::stable_sort(found.begin(), found.end(),
                   [](const Excursion& a, const Excursion& b) { return a.first < b.first; });
  return found;
}
