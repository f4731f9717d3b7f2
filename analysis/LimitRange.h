// Limits as an operator types them: "LO:HI", where either side may be left empty ("20:", ":80")
// and a decimal comma is read as a point ("2,5:8").
#pragma once

#include <optional>
#include <string_view>

#include "analysis/SampleStatistics.h"

namespace analysis {

// The limits; nothing when there is not exactly one ':', a side is not a number, both sides are
// empty or the low limit is above the high one.
std::optional<ChannelLimits> ParseLimitRange(std::string_view text);

// One limit: a finite decimal number, or nothing for empty text; `valid` false for anything else.
std::optional<double> ParseLimitNumber(std::string_view text, bool& valid);

}  // namespace analysis
