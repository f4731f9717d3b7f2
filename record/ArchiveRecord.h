// A station's record read from the download archive: its downloads, one raw text at a time.
#pragma once

#include <optional>
#include <string>

#include "archive/ArchiveReader.h"
#include "archive/DownloadArchive.h"
#include "record/StationRecord.h"

namespace record {

// The record of `station`, corrected by its calibrations; nullopt when the archive knows no such
// station. Throws ArchiveError.
std::optional<StationRecord> ReadStationRecord(DownloadArchive& archive,
                                               const std::string& station);
// The same from any archive: a file's, or the central archive's.
std::optional<StationRecord> ReadStationRecord(ArchiveReader& archive, const std::string& station);

}  // namespace record
