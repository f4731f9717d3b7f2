// Locale-independent decimal numbers: the grammar is checked here, the digits go to from_chars.
#include "data/DecimalNumber.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t SkipDigits(std::string_view text, std::size_t& at) {
  const std::size_t start = at;
  while (at < text.size() && IsDigit(text[at])) ++at;
  return at - start;
}

}  // namespace

std::optional<double> ParseDecimalNumber(std::string_view text, DecimalSyntax syntax) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);

  std::size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  std::size_t digits = SkipDigits(text, at);
  if (at < text.size() && (text[at] == ',' || (syntax.pointToo && text[at] == '.'))) {
    ++at;
    digits += SkipDigits(text, at);
  }
  if (digits == 0) return std::nullopt;
  if (syntax.exponent && at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    if (SkipDigits(text, at) == 0) return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;

  // from_chars reads a point and no leading plus sign, and never looks at the locale.
  std::string plain(text.front() == '+' ? text.substr(1) : text);
  for (char& c : plain) {
    if (c == ',') c = '.';
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}
