// Download texts of a station's recordings for the record tests: a start, a rate code and readings.
#pragma once

#include <string>
#include <vector>

#include "tests/data/DataWindowDownloads.h"

namespace record_test {

using data_window_test::Fields;
using data_window_test::SampleLine;

// A logger's start in 2026 and its rate code (2: every 5 minutes).
struct Start {
  int month, day, hour, minute, rateCode = 2;
};

// The sample lines for humidity readings `r1s` (temperature reading 735, 23.5 C) without the end
// marker: what a download cut short after its last line break holds.
inline std::string LinesOnly(const Start& start, const std::vector<int>& r1s) {
  std::string text = Fields(26, start.month, start.day, 0) + "\r\n" +
                     Fields(start.minute, start.hour, start.rateCode, 0) + "\r\n";
  for (int r1 : r1s) text += SampleLine(r1, 735) + "\r\n";
  return text;
}

inline std::string Download(const Start& start, const std::vector<int>& r1s) {
  return LinesOnly(start, r1s) + "A";
}

// Readings 1860, 1861, ... for `count` samples.
inline std::vector<int> Readings(int count) {
  std::vector<int> r1s;
  for (int k = 0; k < count; ++k) r1s.push_back(1860 + k);
  return r1s;
}

inline double Humidity(int r1) {
  return (r1 - 620) / 0.0248 / 1000;
}

}  // namespace record_test
