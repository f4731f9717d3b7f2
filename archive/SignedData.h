// The SHA-256 that a signature seals: computed from the archived data themselves, so that data
// changed after signing, or a signature moved to other data, no longer match it.
#pragma once

#include <string>

#include "archive/SignatureRecords.h"
#include "data/SampleTable.h"

class DownloadArchive;

// The text whose SHA-256 seals a station's samples from `from` to `to`: a heading naming the
// station and the period, then one line per sample with its time stamp and both values written
// with six decimals (the same whatever the locale).
std::string StationPeriodText(const std::string& station, const std::string& from,
                              const std::string& to, const SampleTable& samples);

// The data hash of `target` as `archive` holds it now. For a download: the SHA-256 of its id and
// of its raw text's SHA-256 (recomputed from the text); for a station's period: the SHA-256 of
// StationPeriodText over the station's record in that period. Throws ArchiveError (kNoSuchRecord)
// for a download or station that is not there or a period without samples, and
// std::invalid_argument for a period whose ends are not valid times in order.
std::string SignedDataSha256(DownloadArchive& archive, const SignTarget& target);
