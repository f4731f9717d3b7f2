// Building the audit entries of settings and files written.
#include "archive/AuditChanges.h"

#include <ctime>

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json TextOrNull(const std::string& text) {
  return text.empty() ? Json(nullptr) : Json(text);
}

}  // namespace

AuditChange SetClockChange(const std::string& station, const std::string& port,
                           const std::string& computerClock, const std::string& loggerClockBefore,
                           std::optional<std::int64_t> driftSeconds, std::optional<bool> taken) {
  AuditChange change;
  change.action = AuditAction::kSetClock;
  change.station = station;
  change.object = "logger " + port;
  change.oldValue = Dump({{"logger_clock", TextOrNull(loggerClockBefore)},
                          {"drift_s", driftSeconds ? Json(*driftSeconds) : Json(nullptr)}});
  change.newValue =
      Dump({{"computer_clock", computerClock}, {"taken", taken ? Json(*taken) : Json(nullptr)}});
  return change;
}

AuditChange SetRateChange(const std::string& station, const std::string& port,
                          std::optional<int> oldMinutes, int newMinutes, bool taken) {
  AuditChange change;
  change.action = AuditAction::kSetRate;
  change.station = station;
  change.object = "logger " + port;
  change.oldValue = Dump({{"rate_minutes", oldMinutes ? Json(*oldMinutes) : Json(nullptr)}});
  change.newValue = Dump({{"rate_minutes", newMinutes}, {"taken", taken}});
  return change;
}

AuditChange FileWrittenChange(AuditAction action, const std::string& station,
                              const std::string& fileName, const std::string& sha256,
                              const std::string& source) {
  AuditChange change;
  change.action = action;
  change.station = station;
  change.object = fileName;
  change.newValue = Dump({{"file", fileName}, {"sha256", sha256}, {"source", source}});
  return change;
}

std::string LocalIsoText(std::int64_t secondsSinceEpoch) {
  const std::time_t when = static_cast<std::time_t>(secondsSinceEpoch);
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}
