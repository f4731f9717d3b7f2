// `calibration set` and `calibration show`: a station's calibration certificates kept in the
// archive, each change with its reason in the audit trail.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "data/Calibration.h"

namespace cli {

// `calibration SUBCOMMAND ...` (args[0] is "calibration"). Returns the exit status.
int CalibrationCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// One line for people: the certificate, its laboratory and date, the correction of each channel,
// from when it applies, when it is due, and "EXPIRED" when due before `today` (YYYY-MM-DD).
std::string CalibrationLine(const Calibration& calibration, const std::string& today);

}  // namespace cli
