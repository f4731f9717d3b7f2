// Fixed-point texts rounded half away from zero on the exact value of a double.
#include "analysis/RoundedNumber.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace analysis {

namespace {

constexpr std::uint64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

// Writes `units` (the value times 10^decimals, already rounded) with the decimal point put back.
std::string ScaledText(bool negative, unsigned __int128 units, int decimals, char point) {
  char digits[64];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + static_cast<int>(units % 10));
    units /= 10;
  } while (units != 0);
  while (count <= decimals) digits[count++] = '0';  // at least one digit before the point
  std::string text;
  text.reserve(static_cast<std::size_t>(count) + 2);
  if (negative) text += '-';
  for (int i = count - 1; i >= 0; --i) {
    text += digits[i];
    if (i == decimals && decimals > 0) text += point;
  }
  return text;
}

}  // namespace

std::string RoundedText(double value, int decimals, char point) {
  if (!std::isfinite(value)) return {};
  if (decimals < 0) decimals = 0;
  if (decimals > 6) decimals = 6;
  const double magnitude = std::fabs(value);
  if (magnitude >= 9007199254740992.0) {
    // 2^53 and beyond every double is a whole number: its exact digits, then zero decimals.
    char buffer[400];
    const int written = std::snprintf(buffer, sizeof buffer, "%.0f", magnitude);
    std::string text = value < 0 ? "-" : "";
    text.append(buffer, static_cast<std::size_t>(written));
    if (decimals > 0) text += point + std::string(static_cast<std::size_t>(decimals), '0');
    return text;
  }
  // magnitude = mantissa / 2^shift exactly, with mantissa below 2^53.
  int exponent = 0;
  const double fraction = std::frexp(magnitude, &exponent);
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  const int shift = 53 - exponent;
  unsigned __int128 units = 0;
  if (shift <= 0) {
    units = static_cast<unsigned __int128>(mantissa << -shift) * kPowersOfTen[decimals];
  } else if (shift < 120) {
    // mantissa * 10^decimals stays below 2^73, so the product and the remainder are exact.
    const unsigned __int128 scaled =
        static_cast<unsigned __int128>(mantissa) * kPowersOfTen[decimals];
    const unsigned __int128 one = 1;
    units = scaled >> shift;
    const unsigned __int128 remainder = scaled & ((one << shift) - 1);
    if (remainder >= (one << (shift - 1))) ++units;
  }
  // Anything smaller than 2^-67 rounds to zero at six decimals or fewer.
  return ScaledText(value < 0 && units != 0, units, decimals, point);
}

}  // namespace analysis
