// JSON text of the statistics.
#include "analysis/StatisticsJson.h"

#include "analysis/JsonExport.h"

#include <nlohmann/json.hpp>

#include "analysis/StampText.h"

namespace analysis {

namespace {

using Json = nlohmann::ordered_json;

// The exact figure (NaN, a figure that does not exist, becomes null): a program reading the JSON
// rounds it as it needs.
Json Number(const std::optional<double>& value) {
  return value ? Json(*value) : Json(nullptr);
}

Json StampAt(const SampleTable& table, std::size_t count, std::size_t sample) {
  if (count == 0 || sample >= table.samples.size() || !table.samples[sample].hasStamp)
    return nullptr;
  return IsoText(StampOf(table.samples[sample]));
}

Json Channel(const SampleTable& table, const ChannelStatistics& c) {
  return {{"count", c.count},
          {"min", c.count ? Json(c.min) : Json(nullptr)},
          {"min_at", StampAt(table, c.count, c.minSample)},
          {"max", c.count ? Json(c.max) : Json(nullptr)},
          {"max_at", StampAt(table, c.count, c.maxSample)},
          {"mean", c.count ? Json(c.mean) : Json(nullptr)},
          {"stdev", Json(c.stdev)}};
}

Json Limits(const ChannelLimits& set, const LimitStatistics& result) {
  return {{"low", Number(set.low)},
          {"high", Number(set.high)},
          {"below", result.below},
          {"above", result.above},
          {"percent_outside", result.percentOutside},
          {"minutes_outside", Number(result.minutesOutside)}};
}

}  // namespace

std::string StatisticsJson(const SampleTable& table, const DownloadStatistics& s,
                           const LimitSettings& limits) {
  const DewPointStatistics& dew = s.dewPoint;
  const Json dewPoint = {{"min", dew.count ? Json(dew.min) : Json(nullptr)},
                         {"max", dew.count ? Json(dew.max) : Json(nullptr)},
                         {"mean", dew.count ? Json(dew.mean) : Json(nullptr)},
                         {"skipped", dew.skipped}};
  // One member per line, each written whole by the library.
  std::string text = "{\n  \"humidity\": " + Channel(table, s.humidity).dump() +
                     ",\n  \"temperature\": " + Channel(table, s.temperature).dump() +
                     ",\n  \"dew_point\": " + dewPoint.dump() +
                     ",\n  \"mkt_c\": " + Json(s.mktCelsius).dump();
  if (s.humidityLimits || s.temperatureLimits) {
    Json limitsJson = Json::object();
    if (s.humidityLimits) limitsJson["humidity"] = Limits(limits.humidity, *s.humidityLimits);
    if (s.temperatureLimits)
      limitsJson["temperature"] = Limits(limits.temperature, *s.temperatureLimits);
    text += ",\n  \"limits\": " + limitsJson.dump();
  }
  // Figures of corrected values say which calibrations corrected them.
  if (!table.calibrations.empty()) text += ",\n  \"calibrations\": " + CalibrationsJsonText(table);
  text += "\n}\n";
  return text;
}

}  // namespace analysis
