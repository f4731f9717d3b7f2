// The JSON export of a download.
#include "analysis/JsonExport.h"

#include <nlohmann/json.hpp>

#include "analysis/StampText.h"

namespace analysis {

namespace {

using Json = nlohmann::ordered_json;

Json StampJson(bool present, const Stamp& stamp) {
  return present ? Json(IsoText(stamp)) : Json(nullptr);
}

// The exact value: programs reading the file round it as they need.
Json ValueJson(bool present, double value) {
  return present ? Json(value) : Json(nullptr);
}

}  // namespace

std::string JsonText(const SampleTable& table, const JsonMembers& extra) {
  const Json start = StampJson(HasStart(table), StartStampOf(table));
  const Json rate = table.rateMinutes > 0 ? Json(table.rateMinutes) : Json(nullptr);
  std::string text;
  text.reserve(128 + table.samples.size() * 120);
  text += "{\n  \"start\": " + start.dump() + ",\n  \"rate_minutes\": " + rate.dump() + ",\n";
  for (const auto& [name, value] : extra) text += "  " + Json(name).dump() + ": " + value + ",\n";
  text += "  \"samples\": [";
  // One sample per line: the file also reads well in a text editor.
  for (std::size_t i = 0; i < table.samples.size(); ++i) {
    const SampleNumbers& sample = table.samples[i];
    const Json line = {{"sample", i + 1},
                       {"timestamp", StampJson(sample.hasStamp, StampOf(sample))},
                       {"relative_humidity_pct", ValueJson(sample.hasValues, sample.humidity)},
                       {"temperature_c", ValueJson(sample.hasValues, sample.temperature)}};
    text += i == 0 ? "\n    " : ",\n    ";
    text += line.dump();
  }
  text += table.samples.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return text;
}

}  // namespace analysis
