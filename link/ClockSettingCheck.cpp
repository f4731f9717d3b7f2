#include "link/ClockSettingCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

int TwoDigits(const std::string& two) {
  return (two[0] - '0') * 10 + (two[1] - '0');
}

// The logger's clock fields as a time without a zone (its fields as UTC fields).
std::time_t LoggerClock(const protocol::StatusReply& r) {
  std::tm tm{};
  tm.tm_year = 100 + TwoDigits(r.year);
  tm.tm_mon = TwoDigits(r.month) - 1;
  tm.tm_mday = TwoDigits(r.day);
  tm.tm_hour = TwoDigits(r.hour);
  tm.tm_min = TwoDigits(r.minute);
  tm.tm_sec = TwoDigits(r.second);
  return timegm(&tm);
}

std::string Text(const char* format, int a, int b, int c) {
  char text[32];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

}  // namespace

ClockSettingCheck::Verdict ClockSettingCheck::Feed(const protocol::StatusReply& reply,
                                                   std::time_t computerNow) {
  std::tm local{};
  localtime_r(&computerNow, &local);
  // The computer's local fields held as UTC fields, as the logger holds its clock.
  const std::time_t computer = timegm(&local);
  // Where the logger's clock should be now, and how many samples it may have taken since.
  const double elapsed = std::max(0.0, std::difftime(computerNow, sentAt_));
  const double expected = static_cast<double>(computer) - elapsed + pace_ * elapsed;
  seen_.clockFollowed = std::fabs(static_cast<double>(LoggerClock(reply)) - expected) <=
                        static_cast<double>(kToleranceSeconds) + (pace_ - 1);
  seen_.usedMemory = reply.usedMemory();
  const protocol::Rate* rate = protocol::RateOfCode(reply.rateCode);
  const double taken = rate ? std::floor(pace_ * (elapsed + 1) / (60.0 * rate->minutes)) : 0;
  seen_.memoryEmptied = seen_.usedMemory >= 0 && seen_.usedMemory <= taken;
  seen_.loggerTime = reply.hour + ":" + reply.minute + ":" + reply.second;
  seen_.loggerDate = reply.day + "/" + reply.month + "/20" + reply.year;
  seen_.computerTime = Text("%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  seen_.computerDate =
      Text("%02d/%02d/%04d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
  if (seen_.clockFollowed && seen_.memoryEmptied) return Verdict::kFollowed;
  ++replies_;
  return replies_ >= kReplies && computerNow - sentAt_ >= kPatienceSeconds ? Verdict::kNotFollowed
                                                                           : Verdict::kWaiting;
}
