// Reading limit ranges typed on a command line or in the summary window.
#include "analysis/LimitRange.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace analysis {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<double> ParseLimitNumber(std::string_view text, bool& valid) {
  text = Trimmed(text);
  valid = true;
  if (text.empty()) return std::nullopt;
  std::string plain(text);
  for (char& c : plain) {
    if (c == ',') c = '.';
    // Plain decimal notation only: no exponent, hexadecimal, "inf" or "nan".
    if (!(c == '.' || c == '-' || c == '+' || (c >= '0' && c <= '9'))) valid = false;
  }
  if (!valid) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(plain.c_str(), &end);
  if (errno != 0 || end != plain.c_str() + plain.size() || !std::isfinite(value)) {
    valid = false;
    return std::nullopt;
  }
  return value;
}

std::optional<ChannelLimits> ParseLimitRange(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || text.find(':', colon + 1) != std::string_view::npos)
    return std::nullopt;
  bool lowValid = false;
  bool highValid = false;
  ChannelLimits limits;
  limits.low = ParseLimitNumber(text.substr(0, colon), lowValid);
  limits.high = ParseLimitNumber(text.substr(colon + 1), highValid);
  if (!lowValid || !highValid) return std::nullopt;
  if (!limits.IsSet()) return std::nullopt;
  if (limits.low && limits.high && *limits.low > *limits.high) return std::nullopt;
  return limits;
}

}  // namespace analysis
