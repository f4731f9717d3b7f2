// Time stamp texts and positions on a uniform wall clock.
#include "analysis/StampText.h"

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

// `value` with leading zeros to `width` digits; wider values are written in full. Called for every
// stamp of an export, so it avoids the formatted-output machinery.
void AppendField(std::string& text, int value, int width) {
  if (value < 0) {
    text += '-';
    value = -value;
  }
  char digits[16];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 && count < 16);
  for (int i = count; i < width; ++i) text += '0';
  while (count > 0) text += digits[--count];
}

}  // namespace

Stamp StampOf(const SampleNumbers& sample) {
  return {sample.year, sample.month, sample.day, sample.hour, sample.minute, sample.second};
}

Stamp StartStampOf(const SampleTable& table) {
  const LoggerStart s = table.start.value_or(LoggerStart{});
  return {2000 + s.year, s.month, s.day, s.hour, s.minute, s.second};
}

bool HasStart(const SampleTable& table) {
  return table.start.has_value();
}

std::string IsoText(const Stamp& s) {
  std::string text;
  AppendIsoText(text, s);
  return text;
}

void AppendIsoText(std::string& text, const Stamp& s) {
  AppendField(text, s.year, 4);
  text += '-';
  AppendField(text, s.month, 2);
  text += '-';
  AppendField(text, s.day, 2);
  text += 'T';
  AppendField(text, s.hour, 2);
  text += ':';
  AppendField(text, s.minute, 2);
  text += ':';
  AppendField(text, s.second, 2);
}

std::string SpanishDateTimeText(const Stamp& s) {
  std::string text;
  AppendSpanishDateTimeText(text, s);
  return text;
}

void AppendSpanishDateTimeText(std::string& text, const Stamp& s) {
  AppendField(text, s.day, 2);
  text += '/';
  AppendField(text, s.month, 2);
  text += '/';
  AppendField(text, s.year, 4);
  text += ' ';
  AppendField(text, s.hour, 2);
  text += ':';
  AppendField(text, s.minute, 2);
  text += ':';
  AppendField(text, s.second, 2);
}

std::int64_t WallClockSeconds(const Stamp& s) {
  return DaysFromCivil(s.year, s.month, s.day) * 86400 + std::int64_t{s.hour} * 3600 +
         std::int64_t{s.minute} * 60 + s.second;
}

}  // namespace analysis
