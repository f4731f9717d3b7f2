// Download texts as the logger sends them (two header lines, one line per sample, the end marker),
// for the data window's tests and benchmark.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace data_window_test {

// Twelve characters: four fields of three digits.
inline std::string Fields(int a, int b, int c, int d) {
  char text[32];
  std::snprintf(text, sizeof text, "%03d%03d%03d%03d", a % 1000, b % 1000, c % 1000, d % 1000);
  return text;
}

// A sample line for the readings r1 and r2 (high part, low part of each).
inline std::string SampleLine(int r1, int r2) {
  return Fields(r1 / 256, r1 % 256, r2 / 256, r2 % 256);
}

inline std::string DownloadText(const std::string& header1, const std::string& header2,
                                const std::vector<std::string>& samples) {
  std::string text = header1 + "\r\n" + header2 + "\r\n";
  for (const std::string& line : samples) text += line + "\r\n";
  return text + "A";
}

// Start 15/03/2012 14:45:30 at the given rate code, `count` samples with slowly changing readings.
inline std::string StartedDownload(int count, int rateCode = 2) {
  std::vector<std::string> samples;
  samples.reserve(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) samples.push_back(SampleLine(1860 + k % 97, 735 + k % 41));
  return DownloadText(Fields(12, 3, 15, 30), Fields(45, 14, rateCode, 0), samples);
}

}  // namespace data_window_test
