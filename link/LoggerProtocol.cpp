#include "link/LoggerProtocol.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace protocol {

const Rate* RateOfCode(int code) {
  for (const Rate& rate : kRates) {
    if (rate.code == code) return &rate;
  }
  return nullptr;
}

const Rate* RateOfCaption(std::string_view caption) {
  for (const Rate& rate : kRates) {
    if (caption == rate.caption) return &rate;
  }
  return nullptr;
}

const Rate* RateOfMinutes(long long minutes) {
  for (const Rate& rate : kRates) {
    if (rate.minutes == minutes) return &rate;
  }
  return nullptr;
}

long double HumidityPercent(long long reading) {
  return static_cast<long double>(reading - 620) / 0.0248L / 1000.0f;
}

std::string RateCommand(int choice) {
  if (choice < 0 || choice >= kRateCount) {
    throw std::out_of_range("rate choice " + std::to_string(choice) + " is not 0..5");
  }
  return std::string(1, kRates[choice].command);
}

std::string DownloadCommand(bool forced) {
  return std::string(1, forced ? kForcedDownloadCommand : kDownloadCommand);
}

namespace {

void AppendTwoDigits(std::vector<std::string>& writes, int value) {
  // Two digits with a leading zero; each digit goes out as a write of its own.
  value = ((value % 100) + 100) % 100;
  writes.emplace_back(1, static_cast<char>('0' + value / 10));
  writes.emplace_back(1, static_cast<char>('0' + value % 10));
}

}  // namespace

std::vector<std::string> SetClockWrites(const std::tm& localTime) {
  std::vector<std::string> writes;
  writes.reserve(13);
  writes.emplace_back(1, kSetClockCommand);
  AppendTwoDigits(writes, localTime.tm_hour);
  AppendTwoDigits(writes, localTime.tm_min);
  AppendTwoDigits(writes, localTime.tm_sec);
  AppendTwoDigits(writes, localTime.tm_mday);
  AppendTwoDigits(writes, localTime.tm_mon + 1);
  AppendTwoDigits(writes, localTime.tm_year + 1900);
  return writes;
}

std::string NotAnIntegerText(std::string_view text) {
  std::string message;
  message.reserve(text.size() + 32);
  message.append("'").append(text).append("' is not a valid integer value");
  return message;
}

EConvertError NotAnInteger(std::string_view text) {
  return EConvertError(NotAnIntegerText(text));
}

EConvertError NotAFloat(std::string_view text) {
  std::string message;
  message.reserve(text.size() + 40);
  message.append("'").append(text).append("' is not a valid floating point value");
  return EConvertError(message);
}

float BatteryPercent(int reading) {
  const float percent = static_cast<float>(reading / 2.2);
  return percent > 100 ? 100.0f : percent;
}

int DigitValue(char c) {
  if (c < '0' || c > '9') throw NotAnInteger(std::string_view(&c, 1));
  return c - '0';
}

StatusReply ParseStatusReply(std::string_view reply) {
  if (reply.size() != static_cast<std::size_t>(kStatusReplyLength)) {
    throw std::invalid_argument("a status reply has 33 characters, not " +
                                std::to_string(reply.size()));
  }
  // Every position is converted first, so a reply is either read whole or not at all.
  int d[kStatusReplyLength + 1] = {};
  for (int i = 0; i < kStatusReplyLength; ++i) d[i + 1] = DigitValue(reply[i]);

  const auto pair = [&](int first) { return reply.substr(first - 1, 2); };
  const auto three = [&](int first) { return 100 * d[first] + 10 * d[first + 1] + d[first + 2]; };
  const auto two = [&](int first) { return 10 * d[first] + d[first + 1]; };

  StatusReply r;
  r.minute = pair(1);
  r.hour = pair(3);
  r.day = pair(5);
  r.month = pair(7);
  r.year = pair(9);
  r.second = pair(11);
  r.battery = three(13);
  r.rateCode = d[17];
  r.raw1 = ReadingOf(two(18), three(20));
  r.raw2 = ReadingOf(two(23), three(25));
  r.memoryPointer = ReadingOf(three(28), three(31));
  return r;
}

std::optional<std::string> ImpossibleClockField(const StatusReply& r) {
  const auto value = [](const std::string& two) { return (two[0] - '0') * 10 + (two[1] - '0'); };
  const struct {
    const std::string& field;
    int highest;
    const char* name;
  } kFields[] = {{r.minute, 59, "minute"},
                 {r.hour, 23, "hour"},
                 {r.second, 59, "second"},
                 {r.day, 31, "day"},
                 {r.month, 12, "month"}};
  for (const auto& f : kFields) {
    if (value(f.field) > f.highest) {
      return "impossible " + std::string(f.name) + " " + f.field + " in " + r.hour + ":" +
             r.minute + ":" + r.second + " " + r.day + "/" + r.month + "/20" + r.year;
    }
  }
  return std::nullopt;
}

namespace {

// Scientific text for values that the plain form cannot show within 15 digits: "1,5E-7", "1E15".
std::string ExponentText(const char* digits, int count, int exponent, bool negative) {
  std::string text;
  if (negative) text += '-';
  text += digits[0];
  if (count > 1) {
    text += ',';
    text.append(digits + 1, count - 1);
  }
  text += 'E';
  if (exponent < 0) {
    text += '-';
    exponent = -exponent;
  }
  text += std::to_string(exponent);
  return text;
}

}  // namespace

std::string GeneralNumberText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  // Fifteen significant digits, then trailing zeros dropped.
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  char digits[16];
  int count = 0;
  for (const char* p = buffer; *p && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') digits[count++] = *p;
  }
  const int exponent = std::atoi(std::strchr(buffer, 'e') + 1);
  while (count > 1 && digits[count - 1] == '0') --count;
  const bool negative = value < 0;

  if (exponent >= 15 || exponent < -5) return ExponentText(digits, count, exponent, negative);

  std::string text;
  if (negative) text += '-';
  if (exponent < 0) {
    text += "0,";
    text.append(static_cast<std::size_t>(-exponent - 1), '0');
    text.append(digits, count);
    return text;
  }
  const int integerDigits = exponent + 1;
  for (int i = 0; i < integerDigits; ++i) text += i < count ? digits[i] : '0';
  if (count > integerDigits) {
    text += ',';
    text.append(digits + integerDigits, count - integerDigits);
  }
  return text;
}

}  // namespace protocol
