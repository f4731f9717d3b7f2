#include "data/TimeStamps.h"

#include <charconv>

#include "data/SampleDecoder.h"

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

void SampleDecoder::VERIFICAR(int month, int year) {
  switch (month) {
    case 2:
      // Leap years by the two-digit year alone: every fourth year of the century.
      monthLength_ = year % 4 == 0 ? 29 : 28;
      break;
    case 4:
    case 6:
    case 9:
    case 11:
      monthLength_ = 30;
      break;
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
      monthLength_ = 31;
      break;
    default:
      break;  // an impossible month keeps the length found last
  }
}

void SampleDecoder::StampRows(SampleTable& table, int stepMinutes, bool carryAbove60) {
  const int n = static_cast<int>(table.rows.size()) - 1;
  int year = table.startStamp[0], month = table.startStamp[1], day = table.startStamp[2];
  int hour = table.startStamp[3], minute = table.startStamp[4];
  const int second = table.startStamp[5];
  for (int k = 1; k <= n; ++k) {
    minute += stepMinutes;
    if (minute == 60) {
      minute = 0;
      ++hour;
    } else if (carryAbove60 && minute > 60) {
      minute -= 60;
      ++hour;
    }
    if (hour == 24) {
      hour = 0;
      ++day;
    }
    VERIFICAR(month, year);
    if (day == monthLength_ + 1) {
      day = 1;
      ++month;
    }
    if (month == 13) {
      month = 1;
      ++year;
    }
    SampleTable::Row& row = table.rows[k];
    row[1] = DateText(day, month, year);
    row[2] = TimeText(hour, minute, second);
    SampleNumbers& numbers = table.samples[k - 1];
    numbers.hasStamp = true;
    numbers.year = 2000 + year;
    numbers.month = month;
    numbers.day = day;
    numbers.hour = hour;
    numbers.minute = minute;
    numbers.second = second;
  }
}

// The one-minute rate carries only when the minute reaches 60 exactly; a start minute above 59
// (the header is not range-checked) then never carries.
void SampleDecoder::VERPOR1MINUTO(SampleTable& table) {
  StampRows(table, 1, false);
}
void SampleDecoder::VERPOR5MINUTOS(SampleTable& table) {
  StampRows(table, 5, true);
}
void SampleDecoder::VERPOR10MINUTOS(SampleTable& table) {
  StampRows(table, 10, true);
}
void SampleDecoder::VERPOR15MINUTOS(SampleTable& table) {
  StampRows(table, 15, true);
}
void SampleDecoder::VERPOR30MINUTOS(SampleTable& table) {
  StampRows(table, 30, true);
}
void SampleDecoder::VERPOR60MINUTOS(SampleTable& table) {
  StampRows(table, 60, true);
}
