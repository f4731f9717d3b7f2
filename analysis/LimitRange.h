// Limits as an operator types them: "LO:HI", where either side may be left empty ("20:", ":80")
// and a decimal comma or point both read as the decimal mark ("2,5:8", "2.5:8"), whatever the
// process locale. Limits that no reading of the sensor could reach are refused.
#pragma once

#include <optional>
#include <string_view>

#include "analysis/SampleStatistics.h"
#include "data/SensorRange.h"

namespace analysis {

enum class LimitProblem {
  kNone,
  kUnreadable,    // not one ':', a side that is not a number, or both sides empty
  kReversed,      // the low limit is above the high one
  kBeyondSensor,  // a limit outside what the channel's readings can give
};

// Whether set limits of a channel whose readings lie in `range` can be used.
LimitProblem CheckLimits(const ChannelLimits& limits, const SensorRange& range);

// The limits of a channel whose readings lie in `range`; nothing, with the reason in `problem`
// when given, for unreadable, reversed or out-of-range limits.
std::optional<ChannelLimits> ParseLimitRange(std::string_view text, const SensorRange& range,
                                             LimitProblem* problem = nullptr);

// One limit: a finite plain decimal number (no exponent), or nothing for empty text; `valid`
// false for anything else.
std::optional<double> ParseLimitNumber(std::string_view text, bool& valid);

}  // namespace analysis
