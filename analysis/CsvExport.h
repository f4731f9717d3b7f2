// The "csv" export: RFC 4180 text in UTF-8 with CR LF line ends and comma separators, header
// "sample,timestamp,relative_humidity_pct,temperature_c", ISO 8601 local time stamps
// (YYYY-MM-DDTHH:MM:SS) and values with one decimal after a point.
#pragma once

#include <string>

#include "data/SampleDecoder.h"

namespace analysis {

struct DelimitedDialect;
// The dialect behind CsvText, for DelimitedPieces.
const DelimitedDialect& CsvDialect();

std::string CsvText(const SampleTable& table);

}  // namespace analysis
