// Time stamp texts and positions on a uniform wall clock.
#include "analysis/StampText.h"

#include <cstdio>

namespace analysis {

namespace {

std::int64_t FloorDivide(std::int64_t a, std::int64_t b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Days from 1970-01-01 to year-month-day in the proleptic Gregorian calendar, for any month and
// day (a month of 13 is January of the next year, day 0 the last day of the month before).
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
  // Month carried into the year first, then the usual era arithmetic on a March-based year.
  const std::int64_t carry = FloorDivide(month - 1, 12);
  year += carry;
  const std::int64_t m = month - 12 * carry;
  year -= m <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468 + (day - 1);
}

}  // namespace

Stamp StampOf(const SampleNumbers& sample) {
  return {sample.year, sample.month, sample.day, sample.hour, sample.minute, sample.second};
}

Stamp StartStampOf(const SampleTable& table) {
  const int* s = table.startStamp;
  return {2000 + s[0], s[1], s[2], s[3], s[4], s[5]};
}

bool HasStart(const SampleTable& table) {
  return !table.startDate.empty();
}

std::string IsoText(const Stamp& s) {
  char text[80];
  const int written = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", s.year,
                                    s.month, s.day, s.hour, s.minute, s.second);
  return std::string(text, static_cast<std::size_t>(written));
}

std::string SpanishDateTimeText(const Stamp& s) {
  char text[80];
  const int written = std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", s.day,
                                    s.month, s.year, s.hour, s.minute, s.second);
  return std::string(text, static_cast<std::size_t>(written));
}

std::int64_t WallClockSeconds(const Stamp& s) {
  return DaysFromCivil(s.year, s.month, s.day) * 86400 + std::int64_t{s.hour} * 3600 +
         std::int64_t{s.minute} * 60 + s.second;
}

}  // namespace analysis
