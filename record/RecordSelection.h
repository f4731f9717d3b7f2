// What a station's record gives for a time window: its samples as one table (numbered 1, 2, 3...
// across every recording, recordings in order), the gaps between the recordings and the samples
// that downloads read differently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/SampleTable.h"
#include "record/StationRecord.h"

namespace record {

// Local logger time as seconds on a uniform wall clock (see analysis::WallClockSeconds).
// "2026-12-07T14:05:00" exactly, a date that exists and a time of day; nullopt for anything else.
std::optional<std::int64_t> WallClockFromIso(std::string_view text);

// Samples stamped from `from` to `to`, both included; an end left out is open.
struct TimeWindow {
  std::optional<std::int64_t> from;
  std::optional<std::int64_t> to;
};

// Between two recordings, from the last sample of one to the first of the next: `minutes` is that
// time less the earlier recording's rate, so recordings that follow on without a missing sample
// have none. Below zero, the recordings overlap in time.
struct Gap {
  std::string after;   // time stamp of the last sample before it
  std::string before;  // time stamp of the first sample after it
  double minutes = 0;
};

struct SelectedConflict {
  std::size_t sample = 0;  // its number in the table, from 1
  std::string timestamp;
  Conflict conflict;
};

struct RecordSelection {
  // Samples only (no display rows): the start of the first recording chosen, and the rate when
  // every recording chosen has the same one (0 otherwise).
  SampleTable table;
  std::size_t recordings = 0;  // that have samples in the window
  std::vector<Gap> gaps;       // between them, only where time is missing or overlaps
  std::vector<SelectedConflict> conflicts;
  std::vector<std::int64_t> leftOut;  // downloads of the station that could not be placed
};

// The samples of `record` in `window`. The record's segments are emptied as they are copied, so
// that the samples are held about once.
RecordSelection SelectRecord(StationRecord&& record, const TimeWindow& window);

}  // namespace record
