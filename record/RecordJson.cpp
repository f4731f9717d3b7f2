// Gaps and conflicts of a station's record as members of the JSON export.
#include "record/RecordJson.h"

#include <nlohmann/json.hpp>

namespace record {

namespace {

using Json = nlohmann::ordered_json;

Json ReadingJson(const Reading& reading) {
  return {{"download", reading.download},
          {"relative_humidity_pct", reading.humidity},
          {"temperature_c", reading.temperature}};
}

}  // namespace

analysis::JsonMembers RecordJsonMembers(const RecordSelection& selection) {
  Json gaps = Json::array();
  for (const Gap& gap : selection.gaps)
    gaps.push_back({{"after", gap.after}, {"before", gap.before}, {"minutes", gap.minutes}});
  Json conflicts = Json::array();
  for (const SelectedConflict& c : selection.conflicts) {
    conflicts.push_back(
        {{"sample", c.sample},
         {"timestamp", c.timestamp},
         {"readings", {ReadingJson(c.conflict.kept), ReadingJson(c.conflict.other)}}});
  }
  return {{"recordings", Json(selection.recordings).dump()},
          {"gaps", gaps.dump()},
          {"conflicts", conflicts.dump()}};
}

}  // namespace record
