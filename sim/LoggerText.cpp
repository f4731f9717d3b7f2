#include "sim/LoggerText.h"

#include <algorithm>
#include <cstdio>

namespace {

int Clamp(int value, int highest) {
  return std::clamp(value, 0, highest);
}

std::tm Fields(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  return tm;
}

}  // namespace

int RateCodeMinutes(int rateCode) {
  static const int kMinutes[] = {1, 5, 10, 15, 30, 60};
  return rateCode >= 1 && rateCode <= 6 ? kMinutes[rateCode - 1] : 0;
}

int RateCodeOfCommand(char command) {
  switch (command) {
    case '1':
      return 1;
    case '2':
      return 2;
    case '4':
      return 3;
    case '5':
      return 4;
    case '6':
      return 5;
    case '7':
      return 6;
    default:
      return 0;
  }
}

std::string StatusReplyText(const StatusFields& f) {
  const std::tm tm = Fields(f.clock);
  // A reading has a two-digit high part here (the download uses three digits).
  const int r1 = Clamp(f.reading.humidityReading, 99 * 256 + 255);
  const int r2 = Clamp(f.reading.temperatureReading, 99 * 256 + 255);
  const long pointer = std::clamp(6L + 4L * std::max(f.samples, 0), 0L, 999L * 256 + 255);
  char text[128];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d%03d%d%d%02d%03d%02d%03d%03ld%03ld",
                tm.tm_min, tm.tm_hour, tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100, tm.tm_sec,
                Clamp(f.battery, 999), 0, Clamp(f.rateCode, 9), r1 / 256, r1 % 256, r2 / 256,
                r2 % 256, pointer / 256, pointer % 256);
  return text;
}

std::string DownloadHeader(std::time_t start, int rateCode) {
  const std::tm tm = Fields(start);
  char text[128];
  std::snprintf(text, sizeof text, "%03d%03d%03d%03d\r\n%03d%03d%03d%03d\r\n", tm.tm_year % 100,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_sec, tm.tm_min, tm.tm_hour, Clamp(rateCode, 9), 0);
  return text;
}

std::string SampleLine(const LoggerSample& sample) {
  const int r1 = Clamp(sample.humidityReading, 255 * 256 + 255);
  const int r2 = Clamp(sample.temperatureReading, 255 * 256 + 255);
  char text[64];
  std::snprintf(text, sizeof text, "%03d%03d%03d%03d\r\n", r1 / 256, r1 % 256, r2 / 256, r2 % 256);
  return text;
}
