#include "archive/DownloadRecord.h"

#include <charconv>
#include <ctime>

namespace {

struct ReasonName {
  EndReason reason;
  const char* code;
};

constexpr ReasonName kReasons[] = {
    {EndReason::kNone, ""},
    {EndReason::kLineLost, "line-lost"},
    {EndReason::kSwitchedOff, "switched-off"},
    {EndReason::kSizeLimit, "size-limit"},
    {EndReason::kTimedOut, "timed-out"},
    {EndReason::kRestarted, "restarted"},
    {EndReason::kProgramClosed, "closed"},
};

}  // namespace

const char* KindCode(DownloadKind kind) {
  return kind == DownloadKind::kWholeMemory ? "full" : "normal";
}

const char* ReasonCode(EndReason reason) {
  for (const ReasonName& name : kReasons) {
    if (name.reason == reason) return name.code;
  }
  return "";
}

std::optional<DownloadKind> KindFromCode(std::string_view code) {
  if (code == "normal") return DownloadKind::kNormal;
  if (code == "full") return DownloadKind::kWholeMemory;
  return std::nullopt;
}

std::optional<EndReason> ReasonFromCode(std::string_view code) {
  for (const ReasonName& name : kReasons) {
    if (code == name.code) return name.reason;
  }
  return std::nullopt;
}

std::string UtcText(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::optional<std::chrono::system_clock::time_point> TimeFromUtcText(std::string_view text) {
  // "YYYY-MM-DDTHH:MM:SSZ": the digits at fixed places, the separators between them.
  if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':' || text[19] != 'Z') {
    return std::nullopt;
  }
  const auto number = [&](std::size_t at, std::size_t length, int& value) {
    const char* first = text.data() + at;
    const auto [end, error] = std::from_chars(first, first + length, value);
    return error == std::errc() && end == first + length && *first != '-' && *first != '+';
  };
  std::tm utc{};
  if (!number(0, 4, utc.tm_year) || !number(5, 2, utc.tm_mon) || !number(8, 2, utc.tm_mday) ||
      !number(11, 2, utc.tm_hour) || !number(14, 2, utc.tm_min) || !number(17, 2, utc.tm_sec)) {
    return std::nullopt;
  }
  if (utc.tm_mon < 1 || utc.tm_mon > 12 || utc.tm_mday < 1 || utc.tm_mday > 31 ||
      utc.tm_hour > 23 || utc.tm_min > 59 || utc.tm_sec > 60) {
    return std::nullopt;
  }
  utc.tm_year -= 1900;
  utc.tm_mon -= 1;
  // The clock's time points count nanoseconds: years past 2262 do not fit and would overflow.
  const std::time_t seconds = timegm(&utc);
  constexpr auto kLatest = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::system_clock::time_point::max().time_since_epoch());
  constexpr auto kEarliest = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::system_clock::time_point::min().time_since_epoch());
  if (seconds >= kLatest.count() || seconds <= kEarliest.count()) return std::nullopt;
  return std::chrono::system_clock::from_time_t(seconds);
}
