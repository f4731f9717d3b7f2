#include "data/TimeStamps.h"

#include <charconv>

namespace {

// Appends a field of a date or time: two digits with a leading zero below 10.
char* PutTwoDigits(char* out, char* end, int value) {
  if (value >= 0 && value < 10) *out++ = '0';
  return std::to_chars(out, end, value).ptr;
}

char* PutYear(char* out, char* end, int year) {
  *out++ = '2';
  *out++ = '0';
  if (year >= 0 && year < 10) *out++ = '0';
  return std::to_chars(out, end, year).ptr;
}

}  // namespace

std::string DateText(int day, int month, int year) {
  char buffer[48];
  char* const end = buffer + sizeof buffer;
  char* p = PutTwoDigits(buffer, end, day);
  *p++ = '/';
  p = PutTwoDigits(p, end, month);
  *p++ = '/';
  p = PutYear(p, end, year);
  return std::string(buffer, p);
}

std::string TimeText(int hour, int minute, int second) {
  char buffer[48];
  char* const end = buffer + sizeof buffer;
  char* p = PutTwoDigits(buffer, end, hour);
  *p++ = ':';
  p = PutTwoDigits(p, end, minute);
  *p++ = ':';
  p = PutTwoDigits(p, end, second);
  return std::string(buffer, p);
}

std::time_t LoggerStartSeconds(const LoggerStart& start) {
  std::tm fields{};
  fields.tm_year = (start.year < 100 ? 2000 + start.year : start.year) - 1900;
  fields.tm_mon = start.month - 1;
  fields.tm_mday = start.day;
  fields.tm_hour = start.hour;
  fields.tm_min = start.minute;
  fields.tm_sec = start.second;
  return timegm(&fields);
}
