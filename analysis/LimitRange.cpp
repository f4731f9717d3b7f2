// Reading limit ranges typed on a command line or in the summary window.
#include "analysis/LimitRange.h"

#include "data/DecimalNumber.h"

namespace analysis {

std::optional<double> ParseLimitNumber(std::string_view text, bool& valid) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  valid = true;
  if (text.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;
  const std::optional<double> value = ParseDecimalNumber(text, kTypedNumber);
  valid = value.has_value();
  return value;
}

LimitProblem CheckLimits(const ChannelLimits& limits, const SensorRange& range) {
  if ((limits.low && !range.Holds(*limits.low)) || (limits.high && !range.Holds(*limits.high)))
    return LimitProblem::kBeyondSensor;
  if (limits.low && limits.high && *limits.low > *limits.high) return LimitProblem::kReversed;
  return LimitProblem::kNone;
}

std::optional<ChannelLimits> ParseLimitRange(std::string_view text, const SensorRange& range,
                                             LimitProblem* problem) {
  const auto refuse = [problem](LimitProblem why) -> std::optional<ChannelLimits> {
    if (problem) *problem = why;
    return std::nullopt;
  };
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || text.find(':', colon + 1) != std::string_view::npos)
    return refuse(LimitProblem::kUnreadable);
  bool lowValid = false;
  bool highValid = false;
  ChannelLimits limits;
  limits.low = ParseLimitNumber(text.substr(0, colon), lowValid);
  limits.high = ParseLimitNumber(text.substr(colon + 1), highValid);
  if (!lowValid || !highValid || !limits.IsSet()) return refuse(LimitProblem::kUnreadable);
  if (const LimitProblem why = CheckLimits(limits, range); why != LimitProblem::kNone)
    return refuse(why);
  if (problem) *problem = LimitProblem::kNone;
  return limits;
}

}  // namespace analysis
