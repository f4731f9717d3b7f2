#include "widgets/DecimalText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Adds one to a string of decimal digits, growing it when the carry runs off the front.
void IncrementDigits(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return;
    }
    *it = '0';
  }
  digits.insert(digits.begin(), '1');
}

}  // namespace

std::string FormatDecimal(double value, int decimals, char separator) {
  if (!std::isfinite(value)) return "---";
  if (decimals < 0) decimals = 0;

  // |value| as 15 significant digits d.dddddddddddddd and a power of ten.
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
  std::string significant;
  significant += buf[0];
  significant.append(buf + 2, 14);
  const int exponent = std::atoi(std::strchr(buf, 'e') + 1);

  // `scaled` becomes round(|value| * 10^decimals) as a digit string.
  std::string scaled;
  const int keep = exponent + 1 + decimals;  // significant digits left of the rounding point
  const int available = static_cast<int>(significant.size());
  if (value == 0.0 || keep < 0) {
    scaled = "0";
  } else if (keep == 0) {
    scaled = significant[0] >= '5' ? "1" : "0";
  } else if (keep >= available) {
    scaled = significant + std::string(keep - available, '0');
  } else {
    scaled = significant.substr(0, keep);
    if (significant[keep] >= '5') IncrementDigits(scaled);
  }

  const auto firstNonZero = scaled.find_first_not_of('0');
  const bool isZero = firstNonZero == std::string::npos;
  scaled = isZero ? "0" : scaled.substr(firstNonZero);
  if (static_cast<int>(scaled.size()) < decimals + 1)
    scaled.insert(0, decimals + 1 - scaled.size(), '0');

  std::string text;
  if (value < 0 && !isZero) text += '-';
  text += scaled.substr(0, scaled.size() - decimals);
  if (decimals > 0) {
    text += separator;
    text += scaled.substr(scaled.size() - decimals);
  }
  return text;
}
