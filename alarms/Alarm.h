// What an alarm is: a station's rule of limits, an alarm raised from an excursion beyond a limit or
// from a condition of the logger or the link, and the events (raised, cleared, acknowledged) that
// notifications carry. Plain C++, no database and no Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

enum class AlarmKind {
  kTemperatureHigh,  // "t_high"
  kTemperatureLow,   // "t_low"
  kHumidityHigh,     // "rh_high"
  kHumidityLow,      // "rh_low"
  kSilent,           // "silent": no reply for 10 minutes
  kBattery,          // "battery": below the good threshold
  kMemory,           // "memory": 90 % used and not downloaded
  kDownloadFailed,   // "download_failed": 3 failed in a row
  kClockDrift,       // "clock_drift": beyond 120 s
  kGap,              // "gap": samples missing from the record
};
const char* AlarmKindCode(AlarmKind kind);
std::optional<AlarmKind> AlarmKindFromCode(std::string_view code);

enum class AlarmLevel { kWarning, kAlarm };
const char* AlarmLevelCode(AlarmLevel level);  // "warning", "alarm"
std::optional<AlarmLevel> AlarmLevelFromCode(std::string_view code);

enum class AlarmEventKind { kRaised, kCleared, kAcknowledged };
const char* AlarmEventCode(AlarmEventKind kind);  // "raised", "cleared", "acknowledged"

// A station's limits. Each limit is optional; a warning limit is a second, earlier level that
// works as the alarm limit does. The delay (minutes) and the hysteresis (in the channel's unit)
// apply to every limit.
struct AlarmRule {
  std::optional<double> temperatureLow, temperatureHigh;
  std::optional<double> humidityLow, humidityHigh;
  std::optional<double> temperatureWarnLow, temperatureWarnHigh;
  std::optional<double> humidityWarnLow, humidityWarnHigh;
  double delayMinutes = 0;
  double hysteresis = 0;
  bool operator==(const AlarmRule&) const = default;
};
// The rule as JSON: {"t_low": .., "t_high": .., "rh_low": .., "rh_high": .., "t_warn_low": ..,
// "t_warn_high": .., "rh_warn_low": .., "rh_warn_high": .., "delay": .., "hysteresis": ..}, an
// unset limit as null.
nlohmann::json AlarmRuleJson(const AlarmRule& rule);
AlarmRule AlarmRuleFromJson(const nlohmann::json& json);  // throws nlohmann::json::exception

struct AlarmAcknowledgement {
  std::string by;       // the system user
  std::string at;       // ISO 8601 with the offset, "2026-12-08T16:40:02+01:00"
  std::string comment;  // never empty
};

// One alarm. Sample times (started_at, ended_at) are the record's time stamps, local logger time
// "2026-12-07T14:05:00"; raised_at and the acknowledgement carry the computer's offset.
struct Alarm {
  std::int64_t id = 0;  // 0 until kept
  std::string station;  // empty for an alarm found by checking one download
  AlarmKind kind = AlarmKind::kTemperatureHigh;
  AlarmLevel level = AlarmLevel::kAlarm;
  std::optional<double> limit;  // the limit crossed; none for conditions without one
  std::string startedAt;
  std::optional<std::string> endedAt;  // none while the alarm is open
  std::int64_t samples = 0;
  double minutes = 0;
  std::optional<double> peak;  // the most extreme value among its samples
  std::string rule = "{}";     // the JSON of the rule in force
  bool live = false;           // found from status replies, not yet confirmed by the record
  std::string raisedAt;
  std::optional<AlarmAcknowledgement> acknowledgement;
  bool open() const { return !endedAt.has_value(); }
};

// The alarm as a JSON object with the field names id, station, kind, level, limit, started_at,
// ended_at, samples, minutes, peak, rule (an object), live, raised_at, acknowledged (null or
// {"by", "at", "comment"}); missing values are null.
nlohmann::json AlarmJson(const Alarm& alarm);
// The object a notification carries: {"event": "raised"|"cleared"|"acknowledged"} and the
// alarm's fields as AlarmJson gives them.
nlohmann::json AlarmEventJson(AlarmEventKind event, const Alarm& alarm);
