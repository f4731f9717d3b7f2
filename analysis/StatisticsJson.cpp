// JSON text of the statistics.
#include "analysis/StatisticsJson.h"

#include "analysis/RoundedNumber.h"
#include "analysis/StampText.h"

namespace analysis {

namespace {

// The exact figure: a program reading the JSON rounds it as it needs.
std::string Number(double value) {
  const std::string text = ExactText(value);
  return text.empty() ? "null" : text;
}

std::string Number(const std::optional<double>& value) {
  return value ? Number(*value) : "null";
}

std::string StampAt(const SampleTable& table, std::size_t count, std::size_t sample) {
  if (count == 0 || sample >= table.samples.size() || !table.samples[sample].hasStamp)
    return "null";
  return '"' + IsoText(StampOf(table.samples[sample])) + '"';
}

std::string Channel(const SampleTable& table, const ChannelStatistics& c) {
  return "{\"count\": " + std::to_string(c.count) + ", \"min\": " + Number(c.min) +
         ", \"min_at\": " + StampAt(table, c.count, c.minSample) + ", \"max\": " + Number(c.max) +
         ", \"max_at\": " + StampAt(table, c.count, c.maxSample) + ", \"mean\": " + Number(c.mean) +
         ", \"stdev\": " + Number(c.stdev) + "}";
}

std::string Limits(const ChannelLimits& set, const LimitStatistics& result) {
  return "{\"low\": " + Number(set.low) + ", \"high\": " + Number(set.high) +
         ", \"below\": " + std::to_string(result.below) +
         ", \"above\": " + std::to_string(result.above) +
         ", \"percent_outside\": " + Number(result.percentOutside) + ", \"minutes_outside\": " +
         (result.minutesOutside ? Number(*result.minutesOutside) : "null") + "}";
}

}  // namespace

std::string StatisticsJson(const SampleTable& table, const DownloadStatistics& s,
                           const LimitSettings& limits) {
  const DewPointStatistics& dew = s.dewPoint;
  std::string text = "{\n  \"humidity\": " + Channel(table, s.humidity) +
                     ",\n  \"temperature\": " + Channel(table, s.temperature) +
                     ",\n  \"dew_point\": {\"min\": " + (dew.count ? Number(dew.min) : "null") +
                     ", \"max\": " + (dew.count ? Number(dew.max) : "null") +
                     ", \"mean\": " + (dew.count ? Number(dew.mean) : "null") +
                     ", \"skipped\": " + std::to_string(dew.skipped) +
                     "},\n  \"mkt_c\": " + Number(s.mktCelsius);
  if (s.humidityLimits || s.temperatureLimits) {
    text += ",\n  \"limits\": {";
    if (s.humidityLimits) text += "\"humidity\": " + Limits(limits.humidity, *s.humidityLimits);
    if (s.humidityLimits && s.temperatureLimits) text += ", ";
    if (s.temperatureLimits)
      text += "\"temperature\": " + Limits(limits.temperature, *s.temperatureLimits);
    text += '}';
  }
  text += "\n}\n";
  return text;
}

}  // namespace analysis
