#include "archive/DownloadRecord.h"

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
