// Downloads for the analysis tests, decoded by the real decoder from the characters a logger sends.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "data/SampleDecoder.h"

namespace analysis_test {

// A sample line for relative humidity reading r1 and temperature reading r2.
inline std::string SampleLine(int r1, int r2) {
  char line[48];
  std::snprintf(line, sizeof line, "%03d%03d%03d%03d", r1 / 256, r1 % 256, r2 / 256, r2 % 256);
  return line;
}

// A download whose header is `header1` / `header2` with one sample line per reading pair.
inline SampleTable Decoded(const std::string& header1, const std::string& header2,
                           const std::vector<std::pair<int, int>>& readings) {
  std::string text = header1 + "\r\n" + header2 + "\r\n";
  for (const auto& [r1, r2] : readings) text += SampleLine(r1, r2) + "\r\n";
  text += "A";
  return SampleDecoder().Decode(text);
}

// Readings for a humidity in percent and a temperature in degrees that the formulas give exactly.
inline int HumidityReading(double percent) {
  return static_cast<int>(std::lround(620 + percent * 24.8));
}
inline int TemperatureReading(double celsius) {
  return static_cast<int>(std::lround(500 + celsius * 10));
}

}  // namespace analysis_test
