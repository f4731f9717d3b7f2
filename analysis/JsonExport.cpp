// The JSON export of a download.
#include "analysis/JsonExport.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>

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

// The exact value as the shortest text that reads back to it, with ".0" on a whole number: the text
// the JSON library writes for every value a sample line can give, made without its machinery.
void AppendValue(std::string& text, bool present, double value) {
  if (!present || !std::isfinite(value)) {
    text += ValueJson(present, value).dump();
    return;
  }
  char number[32];
  char* end = std::to_chars(number, number + sizeof number, value).ptr;
  const std::size_t start = text.size();
  text.append(number, end);
  if (text.find_first_of(".e", start) == std::string::npos) text += ".0";
}

}  // namespace

std::string CalibrationsJsonText(const SampleTable& table) {
  std::string text = "[";
  for (const Calibration& calibration : table.calibrations) {
    if (text.size() > 1) text += ',';
    text += CalibrationJsonText(calibration);
  }
  return text + ']';
}

std::string JsonText(const SampleTable& table, const JsonMembers& extra) {
  return WholeText(128 + table.samples.size() * 120,
                   [&](const TextPieces& write) { JsonPieces(table, extra, write); });
}

void JsonPieces(const SampleTable& table, const JsonMembers& extra, const TextPieces& write) {
  const Json start = StampJson(HasStart(table), StartStampOf(table));
  const Json rate = table.rateMinutes > 0 ? Json(table.rateMinutes) : Json(nullptr);
  std::string text;
  text += "{\n  \"start\": " + start.dump() + ",\n  \"rate_minutes\": " + rate.dump() + ",\n";
  const bool corrected = !table.calibrations.empty();
  std::vector<std::string> certificates;  // as JSON strings
  if (corrected) {
    text += "  \"calibrations\": " + CalibrationsJsonText(table) + ",\n";
    for (const Calibration& calibration : table.calibrations)
      certificates.push_back(
          Json(calibration.certificate).dump(-1, ' ', false, Json::error_handler_t::replace));
  }
  for (const auto& [name, value] : extra) text += "  " + Json(name).dump() + ": " + value + ",\n";
  text += "  \"samples\": [";
  // One sample per line: the file also reads well in a text editor. Each line is written as the
  // object {"sample", "timestamp", "relative_humidity_pct", "temperature_c"} dumps, without
  // building the object: a year of samples is written in a fraction of the time.
  char number[24];
  for (std::size_t i = 0; i < table.samples.size(); ++i) {
    const SampleNumbers& sample = table.samples[i];
    text += i == 0 ? "\n    {\"sample\":" : ",\n    {\"sample\":";
    text.append(number, std::to_chars(number, number + sizeof number, i + 1).ptr);
    text += ",\"timestamp\":";
    if (sample.hasStamp) {
      text += '"';
      AppendIsoText(text, StampOf(sample));
      text += '"';
    } else {
      text += "null";
    }
    text += ",\"relative_humidity_pct\":";
    AppendValue(text, sample.hasValues, sample.humidity);
    text += ",\"temperature_c\":";
    AppendValue(text, sample.hasValues, sample.temperature);
    if (corrected) {
      text += ",\"calibration\":";
      const auto k = static_cast<std::size_t>(sample.calibration);
      text += k > 0 && k <= certificates.size() ? certificates[k - 1] : std::string("null");
    }
    text += '}';
    HandOver(text, write);
  }
  text += table.samples.empty() ? "]\n}\n" : "\n  ]\n}\n";
  HandOver(text, write, true);
}

}  // namespace analysis
