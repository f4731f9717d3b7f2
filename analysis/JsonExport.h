// The "json" export: one object with the logger's start (ISO 8601 local time, null when the source
// does not hold it), the rate in minutes (null when unknown) and every sample with its number, time
// stamp (null without one) and both values as exact numbers (null for a row that could not be
// read). One sample per line, so that the file also reads well in a text editor.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "analysis/TextPieces.h"
#include "data/SampleDecoder.h"

namespace analysis {

// Further members of the object, written after "rate_minutes": each a name and its value as JSON
// text.
using JsonMembers = std::vector<std::pair<std::string, std::string>>;

// A table whose values a calibration corrected has, after "rate_minutes", "calibrations": the
// calibrations as objects (see CalibrationJsonText), and in each sample "calibration": the
// certificate that corrected it, or null for a raw value.
std::string JsonText(const SampleTable& table, const JsonMembers& extra = {});
// The same text handed to `write` in pieces of about a megabyte, in order.
void JsonPieces(const SampleTable& table, const JsonMembers& extra, const TextPieces& write);

// The table's calibrations as a JSON array.
std::string CalibrationsJsonText(const SampleTable& table);

}  // namespace analysis
