// Finds the excursions of one channel's samples beyond the limits of a rule: where each starts and
// ends, how long it lasts and how far it went, and whether it lasted long enough to raise an alarm.
// Plain C++, no Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "alarms/Alarm.h"

// A run of samples beyond one limit. A high excursion starts at the first sample greater than the
// limit and ends at the first later sample at or below (limit - hysteresis); a low one starts at
// the first sample less than the limit and ends at the first later sample at or above (limit +
// hysteresis).
struct Excursion {
  AlarmKind kind = AlarmKind::kTemperatureHigh;
  AlarmLevel level = AlarmLevel::kAlarm;
  double limit = 0;
  std::size_t first = 0;           // index of the first sample beyond the limit
  std::optional<std::size_t> end;  // index of the sample that ended it; none when still beyond
  std::int64_t samples = 0;        // samples with a value from `first` up to, not including, `end`
  double minutes = 0;              // samples x the rate
  double peak = 0;                 // highest value of a high excursion, lowest of a low one
  bool raised = false;             // minutes reached the rule's delay
  bool operator==(const Excursion&) const = default;
};

// The excursions of `values` (one channel, sample by sample, `rateMinutes` apart) beyond every
// limit the rule sets for that channel: the temperature limits when `temperature`, else the
// humidity ones. Each limit, alarm or warning, is followed on its own, so excursions of different
// limits may overlap. A place without a value (a sample that could not be read) neither starts nor
// ends an excursion and is not counted in its samples or minutes: an excursion runs on across it.
// The result is in the order of the excursions' first samples; raised and unraised alike.
std::vector<Excursion> FindExcursions(const std::vector<std::optional<double>>& values,
                                      bool temperature, const AlarmRule& rule, int rateMinutes);
