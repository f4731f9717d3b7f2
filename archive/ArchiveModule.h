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

#include "archive/DownloadRecord.h"
#include "archive/StationRecords.h"

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
  virtual void ForEachStationDownload(
      const std::string& station,
      const std::function<void(const DownloadSummary&, std::string_view raw)>& visit) = 0;
};

// A station of the archive with the status its service last wrote, if any.
struct StationView {
  StationSettings settings;
  std::optional<StationStatus> status;
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
  // The stations of the archive at `path`, by name, each with its last status; the file is opened
  // read-only and nothing in it changes. None when there is no file. Throws ArchiveError.
  virtual std::vector<StationView> ReadStations(const std::string& path) = 0;
  // Adds the station of `settings` to the archive at `path` (or replaces its settings) and writes
  // `status` as its last status: the demonstration's station. Throws ArchiveError, StationError.
  virtual void KeepStation(const std::string& path, const StationSettings& settings,
                           const StationStatus& status) = 0;
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
