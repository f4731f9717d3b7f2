// The download archive as the windows use it, behind an interface: the database code and its
// libraries live in a module that the program loads when a download is first archived or the
// history is first opened, not when it starts.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alarms/Alarm.h"
#include "archive/AuditTrail.h"
#include "archive/DownloadRecord.h"
#include "archive/SignatureRecords.h"
#include "archive/StationRecords.h"
#include "data/Calibration.h"

// One open archive file; see DownloadArchive. Every call throws ArchiveError.
class ArchiveStore {
 public:
  virtual ~ArchiveStore() = default;
  virtual std::int64_t Add(const NewDownload& download) = 0;
  virtual void RecordSave(std::int64_t id, const std::string& filePath,
                          std::chrono::system_clock::time_point when) = 0;
  virtual std::vector<DownloadSummary> List() = 0;
  virtual ArchivedDownload Get(std::int64_t id) = 0;
  virtual bool HasStation(const std::string& station) = 0;
  // Appends an audit entry for `change` by this computer's user running `program` `version`.
  virtual void Audit(const std::string& program, const std::string& version,
                     const AuditChange& change) = 0;
  virtual std::vector<AuditEntry> AuditEntries() = 0;
  virtual void ForEachStationDownload(
      const std::string& station,
      const std::function<void(const DownloadSummary&, std::string_view raw)>& visit) = 0;
  // The station's calibrations, by the time they apply from, then as kept.
  virtual std::vector<Calibration> Calibrations(const std::string& station) = 0;
};

// A station of the archive with the status its service last wrote, if any.
struct StationView {
  StationSettings settings;
  std::optional<StationStatus> status;
  std::optional<Calibration> calibration;  // the one that applies from the latest time, if any
};

// An alarm event of the archive as the desktop's notifications show it.
struct AlarmEventView {
  std::int64_t id = 0;
  std::string event;    // raised, cleared, acknowledged
  std::string payload;  // the event's JSON object
};

class ArchiveModule {
 public:
  virtual ~ArchiveModule() = default;
  // Opens the archive at `path`, creating it when it does not exist. Throws ArchiveError.
  virtual std::unique_ptr<ArchiveStore> Open(const std::string& path) = 0;
  // Opens the existing archive at `path` for reading only: nothing in it changes (an archive from
  // an older release is not migrated) and a folder or file the user may not write is no obstacle;
  // the store's writes fail. Throws ArchiveError. By default, as Open does.
  virtual std::unique_ptr<ArchiveStore> OpenForReading(const std::string& path) {
    return Open(path);
  }
  // The stations of the archive at `path`, by name, each with its last status; the file is opened
  // read-only and nothing in it changes. None when there is no file. Throws ArchiveError.
  virtual std::vector<StationView> ReadStations(const std::string& path) = 0;
  // Adds the station of `settings` to the archive at `path` (or replaces its settings) and writes
  // `status` as its last status: the demonstration's station. Throws ArchiveError, StationError.
  virtual void KeepStation(const std::string& path, const StationSettings& settings,
                           const StationStatus& status) = 0;
  // The alarm rule of `station` in the archive at `path`, opened read-only; none when there is no
  // file, no rule tables yet or no rule for the station. Throws ArchiveError.
  virtual std::optional<AlarmRule> ReadAlarmRule(const std::string& path,
                                                 const std::string& station) = 0;
  // The alarms of every station in the archive at `path`, opened read-only, newest start first;
  // none when there is no file or no alarm tables yet. Throws ArchiveError.
  virtual std::vector<Alarm> ReadAlarms(const std::string& path) = 0;
  // Acknowledges alarm `id` of the archive at `path` as this computer's user, with `comment`, and
  // returns it as kept. Throws ArchiveError, or std::runtime_error for a blank comment, an alarm
  // that is not there or one acknowledged already.
  virtual Alarm AcknowledgeAlarm(const std::string& path, std::int64_t id,
                                 const std::string& comment) = 0;
  // The signatures of a download, or a station's whose period overlaps `target`'s, in the archive
  // at `path`; none when there is no file. Nothing in the file changes. Throws ArchiveError.
  virtual std::vector<SignatureRecord> ReadSignatures(const std::string& path,
                                                      const SignTarget& target) = 0;
  // Signs `target` as `user` after checking `password` (wiped before return) through PAM; a
  // refused password is recorded in the audit trail. `program` and `version` name the caller in
  // the audit entry. Throws ArchiveError, std::invalid_argument (see SignWithPassword).
  virtual SignOutcome Sign(const std::string& path, const SignTarget& target, SignMeaning meaning,
                           const std::string& user, std::string& password,
                           const std::string& program, const std::string& version) = 0;
  // The newest alarm event of the archive at `path` (read-only); 0 when there is none, no file,
  // or an archive from before alarms. Throws ArchiveError.
  virtual std::int64_t LatestAlarmEventId(const std::string& path) = 0;
  // The alarm events after `lastId`, oldest first, at most `limit`, read as LatestAlarmEventId
  // reads. Throws ArchiveError.
  virtual std::vector<AlarmEventView> ReadAlarmEventsAfter(const std::string& path,
                                                           std::int64_t lastId, int limit) = 0;
};

// The module's implementation on the SQLite archive, for its entry and for programs that link the
// archive code in.
ArchiveModule& DiskArchiveModule();
