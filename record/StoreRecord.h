// A station's record read through the archive module's store, corrected by the station's
// calibrations: what the window program's history window and report read.
#pragma once

#include <optional>
#include <string>

#include "archive/ArchiveModule.h"
#include "record/StationRecord.h"

namespace record {

// The corrected record of `station`; nullopt when the archive knows no such station. Throws
// ArchiveError.
std::optional<StationRecord> ReadStationRecord(ArchiveStore& store, const std::string& station);

}  // namespace record
