// JSON text of a site's mapping.
#include "analysis/SiteMappingJson.h"

#include <nlohmann/json.hpp>

namespace analysis {

namespace {

using Json = nlohmann::ordered_json;

Json Number(const std::optional<double>& value) {
  return value ? Json(*value) : Json(nullptr);
}

Json Channel(const ChannelMapping& c) {
  const bool any = c.samples > 0;
  return {{"count", c.samples},
          {"min", any ? Json(c.min) : Json(nullptr)},
          {"max", any ? Json(c.max) : Json(nullptr)},
          {"mean", any ? Json(c.mean) : Json(nullptr)},
          {"minutes_outside", Number(c.minutesOutside)},
          {"minutes_outside_warning", Number(c.minutesOutsideWarning)}};
}

}  // namespace

std::string SiteMappingJson(const std::vector<StationMapping>& rows) {
  std::string text = "[";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const StationMapping& row = rows[i];
    const Json object = {{"station", row.station},
                         {"rule", row.hasRule},
                         {"humidity", Channel(row.humidity)},
                         {"temperature", Channel(row.temperature)},
                         {"hottest", row.hottest},
                         {"coldest", row.coldest},
                         {"most_humid", row.mostHumid},
                         {"driest", row.driest}};
    text +=
        (i == 0 ? "\n  " : ",\n  ") + object.dump(-1, ' ', false, Json::error_handler_t::replace);
  }
  return text + (rows.empty() ? "]\n" : "\n]\n");
}

}  // namespace analysis
