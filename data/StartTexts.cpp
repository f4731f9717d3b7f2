// Start and rate texts made from the decoded numbers, and the archive's ISO form read back.
#include "data/StartTexts.h"

#include <cstdio>

#include "data/TimeStamps.h"
#include "link/LoggerProtocol.h"

namespace {

// Two digits at `text[at]`, or -1.
int TwoDigits(std::string_view text, std::size_t at) {
  const char a = text[at], b = text[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
  return 10 * (a - '0') + (b - '0');
}

}  // namespace

std::string StartDateText(const std::optional<LoggerStart>& start) {
  if (!start) return {};
  return DateText(start->day, start->month, start->year);
}

std::string StartTimeText(const std::optional<LoggerStart>& start) {
  if (!start) return {};
  return TimeText(start->hour, start->minute, start->second);
}

std::string RateCaption(int minutes) {
  const protocol::Rate* rate = protocol::RateOfMinutes(minutes);
  return rate != nullptr ? rate->caption : std::string();
}

std::string StartIsoText(const LoggerStart& s) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", 2000 + s.year, s.month, s.day,
                s.hour, s.minute, s.second);
  return text;
}

std::optional<LoggerStart> StartFromIsoText(std::string_view text) {
  // Every field of a header is two digits, so the text is always this long.
  if (text.size() != 19 || text.substr(0, 2) != "20" || text[4] != '-' || text[7] != '-' ||
      text[10] != 'T' || text[13] != ':' || text[16] != ':') {
    return std::nullopt;
  }
  LoggerStart s;
  int* const fields[] = {&s.year, &s.month, &s.day, &s.hour, &s.minute, &s.second};
  const std::size_t at[] = {2, 5, 8, 11, 14, 17};
  for (int i = 0; i < 6; ++i) {
    *fields[i] = TwoDigits(text, at[i]);
    if (*fields[i] < 0) return std::nullopt;
  }
  return s;
}
