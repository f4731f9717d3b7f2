// The JSON export's account of a station's record, beside its samples: how many recordings the
// samples come from, the gaps between them and the samples that downloads read differently.
#pragma once

#include "analysis/JsonExport.h"
#include "record/RecordSelection.h"

namespace record {

// "recordings": 2, "gaps": [{"after", "before", "minutes"}...], "conflicts": [{"sample",
// "timestamp", "readings": [{"download", "relative_humidity_pct", "temperature_c"}, the other]}...]
// with every value exact.
analysis::JsonMembers RecordJsonMembers(const RecordSelection& selection);

}  // namespace record
