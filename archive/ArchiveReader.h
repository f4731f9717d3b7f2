// An archive as the read commands see it, whichever holds it: an archive file on this computer,
// or the central archive on a database server. Every call throws ArchiveError.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "alarms/Alarm.h"
#include "archive/AuditTrail.h"
#include "archive/DownloadRecord.h"
#include "data/Calibration.h"

struct AuditProblem;
struct ArchiveCheckCounts;

class ArchiveReader {
 public:
  virtual ~ArchiveReader() = default;
  // Every download, newest first, without the raw texts.
  virtual std::vector<DownloadSummary> List() = 0;
  // One download with its raw text (kNoSuchRecord when it is not there).
  virtual ArchivedDownload Get(std::int64_t id) = 0;
  // The downloads whose text no longer matches its checksum or its details.
  virtual std::vector<ChecksumMismatch> Verify() = 0;
  // The audit entries, oldest first (on a central archive: each source archive's chain in turn).
  virtual std::vector<AuditEntry> AuditEntries() = 0;
  // The audit chain or chains, the downloads' texts and the signatures checked; see
  // CheckArchiveRecords.
  virtual std::vector<AuditProblem> CheckRecords(ArchiveCheckCounts* counts) = 0;
  virtual bool HasStation(const std::string& station) = 0;
  // The station's downloads with their raw texts, by start, then rate, then as archived; the
  // text's view lasts only for its call.
  using DownloadVisit = std::function<void(const DownloadSummary&, std::string_view raw)>;
  virtual void ForEachStationDownload(const std::string& station, const DownloadVisit& visit) = 0;
  // The station's calibrations, by the time they apply from, then as kept.
  virtual std::vector<Calibration> Calibrations(const std::string& station) = 0;
  // The alarms of every station (or of `station`), newest start first, only open ones when asked.
  virtual std::vector<Alarm> Alarms(const std::string& station, bool openOnly) = 0;
  // What the archive is, for messages: the file's path, or the server's address.
  virtual std::string Location() const = 0;
};
