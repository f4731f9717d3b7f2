// Lengths of time in the operator's short form: see the header.
#include "archive/DurationText.h"

#include <charconv>
#include <cstdint>

namespace {

struct Unit {
  char letter;
  std::int64_t seconds;
};

// From the largest down: a text names them in this order.
constexpr Unit kUnits[] = {{'d', 86400}, {'h', 3600}, {'m', 60}, {'s', 1}};

// Far beyond any interval a station uses, and far below what the clocks' arithmetic can hold.
constexpr std::int64_t kLongestSeconds = std::int64_t{100} * 366 * 86400;

}  // namespace

std::optional<std::chrono::seconds> ParseDuration(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::int64_t total = 0;
  std::size_t nextUnit = 0;  // units before this one were used already or skipped
  const char* at = text.data();
  const char* const end = text.data() + text.size();
  while (at != end) {
    // from_chars takes a leading '-', which no length has.
    if (*at < '0' || *at > '9') return std::nullopt;
    std::int64_t value = 0;
    const auto [afterNumber, error] = std::from_chars(at, end, value);
    if (error != std::errc() || afterNumber == end) return std::nullopt;
    std::size_t unit = nextUnit;
    while (unit < std::size(kUnits) && kUnits[unit].letter != *afterNumber) ++unit;
    if (unit == std::size(kUnits)) return std::nullopt;
    if (value > kLongestSeconds / kUnits[unit].seconds) return std::nullopt;
    total += value * kUnits[unit].seconds;
    if (total > kLongestSeconds) return std::nullopt;
    nextUnit = unit + 1;
    at = afterNumber + 1;
  }
  return std::chrono::seconds(total);
}

std::string DurationText(std::chrono::seconds length) {
  std::int64_t left = length.count();
  if (left <= 0) return "0s";
  std::string text;
  for (const Unit& unit : kUnits) {
    if (left >= unit.seconds) {
      text += std::to_string(left / unit.seconds) + unit.letter;
      left %= unit.seconds;
    }
  }
  return text;
}
