// The stations kept in the download archive: each station's settings, its log of events and the
// status its running service last saw. One file holds them with the downloads, so that one backup
// keeps everything.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/AuditTrail.h"
#include "archive/DownloadArchive.h"
#include "archive/StationRecords.h"

// A station that is not there, a name already taken, settings out of range: the text says which.
class StationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The limits of a station's settings, which Add and Update enforce.
constexpr int kStationResetAtMost = 2000;  // the logger's memory
constexpr std::chrono::seconds kStationShortestInterval{30};
constexpr std::chrono::seconds kStationLongestInterval{366 * 24 * 60 * 60};
// 1..64 characters, each a letter or digit of ASCII, '-', '_' or '.', other than "." and "..".
bool IsStationName(const std::string& name);
// What is wrong with `settings`, in a sentence; empty when they may be kept.
std::string StationSettingsProblem(const StationSettings& settings);

// What happened at a station, for its log and its status.
enum class StationEventKind {
  kStarted,         // the service started watching
  kStopped,         // the service stopped (signal)
  kConnected,       // the port opened and the logger answered
  kLost,            // the port went away or the logger fell silent
  kDownloaded,      // a download was archived
  kDownloadFailed,  // a download did not complete
  kReset,           // the memory was emptied and the clock set, and the logger took it
  kResetFailed,     // a reset the logger did not take
  kWarning,         // something the operator must see (memory filling while it cannot be emptied)
};
const char* StationEventCode(StationEventKind kind);  // "started", "download_failed", ...

struct StationEvent {
  std::string station;
  std::chrono::system_clock::time_point at;
  StationEventKind kind = StationEventKind::kStarted;
  std::string loggerClock;  // local logger time "2026-12-07T14:05:00", empty when none was seen
  std::optional<std::int64_t> clockDriftSeconds;  // logger minus computer (local time)
  std::string detail;  // free text: the error, the samples downloaded, ...
};

// Who changes a station's settings and why, for the audit trail's entry written with the change.
struct StationAuditNote {
  AuditActor actor;
  std::string reason;  // required: a change without one is refused
};

// A station's settings as the audit trail keeps them: a JSON object.
std::string StationSettingsJson(const StationSettings& settings);

class StationStore {
 public:
  // Opens (creating or migrating when `access` allows writing) the archive at `path`. Throws
  // ArchiveError as DownloadArchive does.
  explicit StationStore(const std::string& path, ArchiveAccess access = ArchiveAccess::kReadWrite);
  ~StationStore();
  StationStore(const StationStore&) = delete;
  StationStore& operator=(const StationStore&) = delete;

  // Each of these writes, when given a note, an audit entry in the change's own transaction; a
  // note without a reason is refused (std::invalid_argument) before anything is written.
  // Throws StationError for a name already taken or settings out of range.
  void Add(const StationSettings& settings, const StationAuditNote* note = nullptr);
  // Replaces the settings of the station of that name; throws StationError when there is none.
  void Update(const StationSettings& settings, const StationAuditNote* note = nullptr);
  // Removes the station; its downloads and events stay. Throws StationError when there is none.
  void Remove(const std::string& name, const StationAuditNote* note = nullptr);
  std::optional<StationSettings> Find(const std::string& name);
  std::vector<StationSettings> List();  // by name

  void AddEvent(const StationEvent& event);
  // The latest `limit` events of `station`, newest first.
  std::vector<StationEvent> Events(const std::string& station, int limit);
  void WriteStatus(const StationStatus& status);
  std::optional<StationStatus> ReadStatus(const std::string& station);

  // Samples archived for one recording of `station`: the most samples any complete download with
  // that start (local logger time, ISO) and rate holds. A recording's downloads each carry its
  // samples from the first, so the longest complete one holds every sample archived.
  std::int64_t ArchivedSamples(const std::string& station, const std::string& recordingStart,
                               int rateMinutes);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
