// The JSON export of a download.
#include "analysis/JsonExport.h"

#include <charconv>

#include "analysis/RoundedNumber.h"
#include "analysis/StampText.h"

namespace analysis {

namespace {

void AppendValue(std::string& text, bool present, double value) {
  // Programs read the exact value; the table and the text exports show it rounded.
  const std::string number = present ? ExactText(value) : std::string();
  text += number.empty() ? "null" : number;
}

void AppendStamp(std::string& text, bool present, const Stamp& stamp) {
  if (!present) {
    text += "null";
    return;
  }
  text += '"';
  text += IsoText(stamp);
  text += '"';
}

}  // namespace

std::string JsonText(const SampleTable& table) {
  std::string text;
  text.reserve(128 + table.samples.size() * 100);
  text += "{\n  \"start\": ";
  AppendStamp(text, HasStart(table), StartStampOf(table));
  text += ",\n  \"rate_minutes\": ";
  text += table.rateMinutes > 0 ? std::to_string(table.rateMinutes) : "null";
  text += ",\n  \"samples\": [";
  char number[24];
  for (std::size_t i = 0; i < table.samples.size(); ++i) {
    const SampleNumbers& sample = table.samples[i];
    text += i == 0 ? "\n    {\"sample\": " : ",\n    {\"sample\": ";
    text.append(number, std::to_chars(number, number + sizeof number, i + 1).ptr);
    text += ", \"timestamp\": ";
    AppendStamp(text, sample.hasStamp, StampOf(sample));
    text += ", \"relative_humidity_pct\": ";
    AppendValue(text, sample.hasValues, sample.humidity);
    text += ", \"temperature_c\": ";
    AppendValue(text, sample.hasValues, sample.temperature);
    text += '}';
  }
  text += table.samples.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return text;
}

}  // namespace analysis
