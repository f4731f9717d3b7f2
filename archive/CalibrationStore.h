// The stations' calibrations kept in the download archive. Each change is written with its entry
// in the audit trail (what was in force before, what is now, and why) in one transaction, so that
// no calibration is ever kept without its account.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/ArchiveFile.h"
#include "archive/AuditTrail.h"
#include "data/Calibration.h"

// A calibration that may not be kept (figures or dates out of range, no reason, no such station):
// the text says which.
class CalibrationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CalibrationStore {
 public:
  // Opens (creating or migrating when `access` allows writing) the archive at `path`. Throws
  // ArchiveError as DownloadArchive does.
  explicit CalibrationStore(const std::string& path,
                            ArchiveAccess access = ArchiveAccess::kReadWrite);
  ~CalibrationStore();
  CalibrationStore(const CalibrationStore&) = delete;
  CalibrationStore& operator=(const CalibrationStore&) = delete;

  // Keeps `calibration` for its station, stamped now, with an audit entry by `actor` holding the
  // calibration in force at its start before (or null) and the new one as JSON, and `reason`.
  // Returns its id. Throws CalibrationError for a calibration CalibrationProblem refuses, an empty
  // reason or a station the archive does not know, and ArchiveError.
  std::int64_t Set(const Calibration& calibration, const AuditActor& actor,
                   const std::string& reason);
  // The station's calibrations, by the time they apply from, then as kept.
  std::vector<Calibration> List(const std::string& station);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
