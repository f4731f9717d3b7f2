// Reading the logger's clock off a status reply and the computer's on the same calendar.
#include "link/LoggerClockReading.h"

#include <exception>

std::optional<std::time_t> LoggerClock(const protocol::StatusReply& reply) {
  std::tm fields{};
  try {
    fields.tm_year = 100 + std::stoi(reply.year);
    fields.tm_mon = std::stoi(reply.month) - 1;
    fields.tm_mday = std::stoi(reply.day);
    fields.tm_hour = std::stoi(reply.hour);
    fields.tm_min = std::stoi(reply.minute);
    fields.tm_sec = std::stoi(reply.second);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return timegm(&fields);
}

std::time_t ComputerClock(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  return timegm(&local);
}

std::string ClockIsoText(std::time_t clock) {
  std::tm fields{};
  gmtime_r(&clock, &fields);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &fields);
  return text;
}
