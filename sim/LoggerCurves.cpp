#include "sim/LoggerCurves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// A well-mixed 64-bit hash: noise that depends only on the time and the seed.
uint64_t Mix(uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

// Uniform in [-1, 1].
double Noise(uint64_t key) {
  return (Mix(key) >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

int Reading(double value) {
  return std::clamp(static_cast<int>(std::lround(value)), 0, 4095);
}

}  // namespace

LoggerSample CurveReading(std::time_t loggerTime, uint32_t seed) {
  const int64_t t = static_cast<int64_t>(loggerTime);
  const int64_t day = t >= 0 ? t / 86400 : (t - 86399) / 86400;
  const double secondOfDay = static_cast<double>(t - day * 86400);
  // Warmest in mid-afternoon, coolest before dawn.
  const double cycle = std::sin(2 * std::numbers::pi * (secondOfDay - 9 * 3600) / 86400);
  const double dayShift = 3.0 * Noise((static_cast<uint64_t>(day) << 1) ^ (uint64_t{seed} << 40));
  const uint64_t key = static_cast<uint64_t>(t) * 2654435761u ^ (uint64_t{seed} << 32);
  const double celsius = 21.0 + dayShift + 6.0 * cycle + 0.3 * Noise(key);
  const double humidity = 58.0 - 2.0 * dayShift - 14.0 * cycle + 1.5 * Noise(key + 1);
  // 10 mV per degree from 500 mV at 0 degrees; 24.8 mV per percent from 620 mV. The emulator keeps
  // its own copy of these formulas, as of the rate table and the command characters, on purpose:
  // it checks the program's protocol library from outside, so a slip there cannot hide in both.
  return {Reading(620.0 + 24.8 * humidity), Reading(500.0 + 10.0 * celsius)};
}
