// Codes and JSON of alarms, rules and alarm events.
#include "alarms/Alarm.h"

#include <array>
#include <utility>

#include <nlohmann/json.hpp>

namespace {

constexpr std::array<std::pair<AlarmKind, const char*>, 10> kKinds{{
    {AlarmKind::kTemperatureHigh, "t_high"},
    {AlarmKind::kTemperatureLow, "t_low"},
    {AlarmKind::kHumidityHigh, "rh_high"},
    {AlarmKind::kHumidityLow, "rh_low"},
    {AlarmKind::kSilent, "silent"},
    {AlarmKind::kBattery, "battery"},
    {AlarmKind::kMemory, "memory"},
    {AlarmKind::kDownloadFailed, "download_failed"},
    {AlarmKind::kClockDrift, "clock_drift"},
    {AlarmKind::kGap, "gap"},
}};

nlohmann::json OrNull(const std::optional<double>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

std::optional<double> Optional(const nlohmann::json& json, const char* key) {
  if (!json.contains(key) || json.at(key).is_null()) return std::nullopt;
  return json.at(key).get<double>();
}

}  // namespace

const char* AlarmKindCode(AlarmKind kind) {
  for (const auto& [k, code] : kKinds)
    if (k == kind) return code;
  return "";
}

std::optional<AlarmKind> AlarmKindFromCode(std::string_view code) {
  for (const auto& [kind, c] : kKinds)
    if (code == c) return kind;
  return std::nullopt;
}

const char* AlarmLevelCode(AlarmLevel level) {
  return level == AlarmLevel::kWarning ? "warning" : "alarm";
}

std::optional<AlarmLevel> AlarmLevelFromCode(std::string_view code) {
  if (code == "warning") return AlarmLevel::kWarning;
  if (code == "alarm") return AlarmLevel::kAlarm;
  return std::nullopt;
}

const char* AlarmEventCode(AlarmEventKind kind) {
  switch (kind) {
    case AlarmEventKind::kRaised:
      return "raised";
    case AlarmEventKind::kCleared:
      return "cleared";
    case AlarmEventKind::kAcknowledged:
      return "acknowledged";
  }
  return "";
}

nlohmann::json AlarmRuleJson(const AlarmRule& rule) {
  return {
      {"t_low", OrNull(rule.temperatureLow)},
      {"t_high", OrNull(rule.temperatureHigh)},
      {"rh_low", OrNull(rule.humidityLow)},
      {"rh_high", OrNull(rule.humidityHigh)},
      {"t_warn_low", OrNull(rule.temperatureWarnLow)},
      {"t_warn_high", OrNull(rule.temperatureWarnHigh)},
      {"rh_warn_low", OrNull(rule.humidityWarnLow)},
      {"rh_warn_high", OrNull(rule.humidityWarnHigh)},
      {"delay", rule.delayMinutes},
      {"hysteresis", rule.hysteresis},
  };
}

AlarmRule AlarmRuleFromJson(const nlohmann::json& json) {
  AlarmRule rule;
  rule.temperatureLow = Optional(json, "t_low");
  rule.temperatureHigh = Optional(json, "t_high");
  rule.humidityLow = Optional(json, "rh_low");
  rule.humidityHigh = Optional(json, "rh_high");
  rule.temperatureWarnLow = Optional(json, "t_warn_low");
  rule.temperatureWarnHigh = Optional(json, "t_warn_high");
  rule.humidityWarnLow = Optional(json, "rh_warn_low");
  rule.humidityWarnHigh = Optional(json, "rh_warn_high");
  rule.delayMinutes = Optional(json, "delay").value_or(0);
  rule.hysteresis = Optional(json, "hysteresis").value_or(0);
  return rule;
}

nlohmann::json AlarmJson(const Alarm& alarm) {
  nlohmann::json rule = nlohmann::json::parse(alarm.rule, nullptr, false);
  if (rule.is_discarded()) rule = nlohmann::json::object();
  nlohmann::json acknowledged = nullptr;
  if (alarm.acknowledgement) {
    acknowledged = {{"by", alarm.acknowledgement->by},
                    {"at", alarm.acknowledgement->at},
                    {"comment", alarm.acknowledgement->comment}};
  }
  return {
      {"id", alarm.id},
      {"station", alarm.station.empty() ? nlohmann::json(nullptr) : nlohmann::json(alarm.station)},
      {"kind", AlarmKindCode(alarm.kind)},
      {"level", AlarmLevelCode(alarm.level)},
      {"limit", OrNull(alarm.limit)},
      {"started_at", alarm.startedAt},
      {"ended_at", alarm.endedAt ? nlohmann::json(*alarm.endedAt) : nlohmann::json(nullptr)},
      {"samples", alarm.samples},
      {"minutes", alarm.minutes},
      {"peak", OrNull(alarm.peak)},
      {"rule", rule},
      {"live", alarm.live},
      {"raised_at",
       alarm.raisedAt.empty() ? nlohmann::json(nullptr) : nlohmann::json(alarm.raisedAt)},
      {"acknowledged", acknowledged},
  };
}

nlohmann::json AlarmEventJson(AlarmEventKind event, const Alarm& alarm) {
  nlohmann::json json = AlarmJson(alarm);
  json["event"] = AlarmEventCode(event);
  return json;
}
