// A station's calibrations applied to its record: the archive keeps the logger's readings as they
// came, and every consumer of the record (tables, exports, statistics, reports, alarms) reads the
// corrected values from here.
#pragma once

#include <vector>

#include "data/Calibration.h"
#include "record/StationRecord.h"

namespace record {

// Corrects every sample of `record` stamped at or after a calibration's start with the calibration
// in force then: of those started by that time, the one that starts last, and of two starting
// together, the one kept last. Samples before the first start, or without a time stamp, keep their
// raw values. Conflicting readings are corrected as their sample is. The record keeps the
// calibrations that correct some sample, and each corrected sample names its own.
void ApplyCalibrations(StationRecord& record, std::vector<Calibration> calibrations);

// The same for one archived download of a station, its table taken as one recording: its samples
// are corrected as the station's record corrects them, and the table keeps the calibrations used.
void ApplyCalibrations(SampleTable& table, std::vector<Calibration> calibrations);

}  // namespace record
