// Several stations' records on one time axis: per station, the times and corrected values of its
// samples in a period, broken wherever the station has no sample, so that a chart never draws a
// line across time a station did not record.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "archive/ArchiveModule.h"
#include "record/RecordSelection.h"
#include "record/StationRecord.h"

namespace record {

// One station's line. `seconds` ascend on the uniform wall clock of analysis::WallClockSeconds
// (local logger time, no daylight-saving jumps), the same axis for every station. Between two
// samples farther apart than the station's rate lies a break: a point halfway between them whose
// values are both NaN, which a line chart draws as a gap.
struct ComparedStation {
  std::string name;
  std::vector<double> seconds;
  std::vector<double> temperature;  // degrees Celsius
  std::vector<double> humidity;     // relative humidity, %
  std::size_t samples = 0;          // points with values, breaks left out
};

// The stations in the order asked for, with the span of time their samples cover together.
struct Comparison {
  std::vector<ComparedStation> stations;
  // The first and last sample's time over every station; both 0 when there is none.
  double first = 0;
  double last = 0;
  // True when no station has a sample to draw.
  bool empty() const;
};

// The samples of `record` stamped within `window`, as `name`'s line. Samples without a time stamp
// or without values are left out, and leave a break where they were. Recordings that overlap in
// time are merged in time order.
ComparedStation CompareStation(std::string name, const StationRecord& record,
                               const TimeWindow& window);

// Puts lines together, working out their common span.
Comparison CompareLines(std::vector<ComparedStation> lines);

// Stations' corrected records read from an archive at their first use and kept, so that comparing
// them over another period or with other stations reads nothing again.
class ComparisonRecords {
 public:
  // The lines of `stations`, in their order, over `window`. A station not read yet is read from
  // the store that `store` opens (at most once per call, and only when some station needs reading)
  // with its calibrations applied; one the archive does not know, or one without downloads, gives
  // a line without points. Throws ArchiveError, keeping the records read before.
  Comparison Compare(const std::function<ArchiveStore&()>& store,
                     const std::vector<std::string>& stations, const TimeWindow& window);
  // Forgets every record, so that the next comparison reads the archive again.
  void Clear() { records_.clear(); }

 private:
  std::map<std::string, StationRecord> records_;
};

}  // namespace record
