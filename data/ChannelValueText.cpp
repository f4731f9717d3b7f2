// Channel values of the data table and their texts.
#include "data/ChannelValueText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/LoggerProtocol.h"

namespace {

// floor(a * scale), exactly, for 0 <= a < 10000 and scale 10 or 100. The double's exact binary
// value is used, so halves are found on its true decimal digits and not on a rounded product.
uint64_t FloorScaled(double a, uint64_t scale) {
  if (a == 0) return 0;
  int exponent = 0;
  const double fraction = std::frexp(a, &exponent);  // a = fraction * 2^exponent
  const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
  const int shift = 53 - exponent;           // a = mantissa / 2^shift; shift > 0 below 10000
  const uint64_t scaled = mantissa * scale;  // below 2^60
  return shift >= 64 ? 0 : scaled >> shift;
}

std::string FixedText(bool negative, uint64_t whole, unsigned tenth) {
  char buffer[32];
  char* p = buffer;
  if (negative) *p++ = '-';
  p = std::to_chars(p, buffer + sizeof buffer - 2, whole).ptr;
  *p++ = ',';
  *p++ = static_cast<char>('0' + tenth);
  return std::string(buffer, p);
}

// Four significant digits in exponent form, for values whose integer part has five digits or more:
// "2,562E+4", "-1,000E+5". The digits come from the exact value, rounded half away from zero.
std::string ExponentText(double value) {
  // 800 digits hold every double exactly, so no rounding happens in the conversion itself.
  static thread_local char buffer[900];
  std::snprintf(buffer, sizeof buffer, "%.800e", std::fabs(value));
  int digits[5];
  const char* p = buffer;
  for (int i = 0; i < 5; ++p) {
    if (*p >= '0' && *p <= '9') digits[i++] = *p - '0';
  }
  int exponent = 0;
  while (*p != 'e') ++p;
  const char* digitsEnd = p + 1;
  while (*digitsEnd != '\0') ++digitsEnd;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), digitsEnd, exponent);
  if (digits[4] >= 5) {
    int i = 3;
    while (i >= 0 && ++digits[i] == 10) digits[i--] = 0;
    if (i < 0) {
      digits[0] = 1;
      ++exponent;
    }
  }
  char out[32];
  const int written =
      std::snprintf(out, sizeof out, "%s%d,%d%d%dE%c%d", value < 0 ? "-" : "", digits[0], digits[1],
                    digits[2], digits[3], exponent < 0 ? '-' : '+', std::abs(exponent));
  return std::string(out, written);
}

}  // namespace

std::string ChannelValueText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  const bool negative = value < 0;
  const double a = std::fabs(value);
  if (a < 1000) {
    // One decimal, the remaining half rounded away from zero.
    const uint64_t hundredths = FloorScaled(a, 100);
    const uint64_t tenths = hundredths / 10 + (hundredths % 10 >= 5 ? 1 : 0);
    return FixedText(negative && tenths != 0, tenths / 10, static_cast<unsigned>(tenths % 10));
  }
  if (a < 10000) {
    // Four significant digits leave no room for a decimal: whole number, written with ",0".
    const uint64_t tenths = FloorScaled(a, 10);
    const uint64_t whole = tenths / 10 + (tenths % 10 >= 5 ? 1 : 0);
    if (whole < 10000) return FixedText(negative, whole, 0);
  }
  return ExponentText(value);
}

double HumidityFromReading(int r1) {
  return static_cast<double>(protocol::HumidityPercent(r1));
}

double TemperatureFromReading(int r2) {
  return static_cast<double>(protocol::TemperatureCelsius<long double>(r2));
}
