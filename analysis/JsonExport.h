// The "json" export: one object with the logger's start (ISO 8601 local time, null when the source
// does not hold it), the rate in minutes (null when unknown) and every sample with its number, time
// stamp (null without one) and both values as exact numbers (null for a row that could not be
// read). One sample per line, so that the file also reads well in a text editor.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "data/SampleDecoder.h"

namespace analysis {

// Further members of the object, written after "rate_minutes": each a name and its value as JSON
// text.
using JsonMembers = std::vector<std::pair<std::string, std::string>>;

std::string JsonText(const SampleTable& table, const JsonMembers& extra = {});

}  // namespace analysis
