// The "json" export: one object with the logger's start (ISO 8601 local time, null when the source
// does not hold it), the rate in minutes (null when unknown) and every sample with its number, time
// stamp (null without one) and both values as exact numbers (null for a row that could not be
// read). One sample per line, so that the file also reads well in a text editor.
#pragma once

#include <string>

#include "data/SampleDecoder.h"

namespace analysis {

std::string JsonText(const SampleTable& table);

}  // namespace analysis
