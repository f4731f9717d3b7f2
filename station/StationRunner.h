// The station service: watches one logger on its port without an operator, downloads it when due
// or when its memory fills, archives each download before anything else, and empties the logger's
// memory (by setting its clock from the computer's) only once the archive holds every sample the
// logger has. A port that goes away or a logger that falls silent is closed and opened again with
// a growing pause; the service never spins.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "archive/StationStore.h"
#include "data/SampleTable.h"
#include "notify/Notifier.h"

class CliSession;
class DownloadArchive;
class StationAlarms;
class StationLock;
struct LoggerStatus;

// Real-time limits of a station; the defaults are the service's.
struct StationTiming {
  using Duration = std::chrono::milliseconds;
  Duration replyTimeout{10000};  // a logger silent for this long is taken as lost
  Duration firstPause{1000};     // before opening the port again; doubles up to maxPause
  Duration maxPause{30000};
  Duration statusEvery{60000};  // the status row is rewritten at least this often
  Duration retryPause{30000};   // after a failed download or reset; doubles up to maxRetry
  Duration maxRetry{600000};
};

class StationRunner {
 public:
  using Duration = std::chrono::milliseconds;

  using Timing = StationTiming;

  // Memory use from which a station that cannot empty its logger says so loudly.
  static constexpr int kWarnAtSamples = 1800;

  // Runs `settings` with the archive at `archivePath`; lines for the service's log go to `log`.
  StationRunner(StationSettings settings, std::string archivePath, std::ostream& log,
                Timing timing = {}, NotifierTiming notifyTiming = {});
  ~StationRunner();
  StationRunner(const StationRunner&) = delete;
  StationRunner& operator=(const StationRunner&) = delete;

  // Runs until Stop(); a download under way is then archived as interrupted. Returns 0, or 1 when
  // the archive cannot be opened at all. Throws nothing.
  int Run();
  // Any thread (a signal's watcher): ends Run() within moments.
  void Stop();
  // Before Run(): where to note a problem when the status cannot be written to the archive.
  void NoteProblemsIn(StationLock* lock) { lock_ = lock; }

 private:
  using SystemClock = std::chrono::system_clock;
  using SteadyClock = std::chrono::steady_clock;

  // One opening of the port: serves it until the line is lost, the logger falls silent or Stop().
  // Returns whether the logger answered at all.
  bool Watch();
  // What one status reply changes: the status row, the clock's pace, the warnings.
  void Observe(const LoggerStatus& status);
  // Whether a download is due with `status` just read.
  bool DownloadDue(const LoggerStatus& status) const;
  // Downloads and archives; returns whether the download completed. Throws SessionError after
  // archiving what came when the line was lost or Stop() was called.
  bool DownloadAndArchive(const LoggerStatus& before);
  // Empties the memory once the archive holds every sample; returns whether it did.
  bool ResetWhenSafe();
  // Notes a clock setting in the audit trail: the clock the logger showed in `before`, the
  // computer's (local, on the logger's calendar) when the command went, and whether it took it.
  // `taken` is empty for the entry written before the command goes out. Returns whether the
  // entry was written.
  bool AuditClockSetting(const LoggerStatus& before, std::time_t computer,
                         std::optional<bool> taken);
  // Why the memory could not be emptied when it was due; empty clears it.
  void ResetBlocked(const std::string& why);
  // Whether the logger's next sample is too close to its clock for a command to land before it.
  bool NextSampleTooClose(const LoggerStatus& status) const;
  void Event(StationEventKind kind, const std::string& detail,
             const LoggerStatus* status = nullptr);
  void WriteStatus(bool connected);
  // Waits `pause`, or less when Stop() comes.
  void Pause(Duration pause);
  void Log(const std::string& line);

  StationSettings settings_;
  std::string archivePath_;
  std::ostream& log_;
  Timing timing_;
  std::unique_ptr<StationStore> store_;
  std::unique_ptr<DownloadArchive> archive_;
  std::unique_ptr<StationAlarms> alarms_;  // judged on a thread of their own
  std::mutex logMutex_;                    // the alarms' and the notifier's threads log too
  // Delivers the station's alarm events beside the watch, on its own thread.
  std::unique_ptr<Notifier> notifier_;

  std::atomic<bool> stopping_{false};
  std::mutex mutex_;  // guards session_ for Stop(), and the pause
  std::condition_variable wake_;
  std::unique_ptr<CliSession> session_;

  // What the latest replies and downloads showed.
  StationStatus status_;
  std::optional<SteadyClock::time_point> statusWrittenAt_;
  std::optional<std::pair<std::time_t, SteadyClock::time_point>> previousClock_;
  double clockPace_ = 1;  // logger seconds per real second, from consecutive replies
  std::optional<LoggerStart> recordingStart_;  // of the latest download
  int recordingRate_ = 0;                      // minutes
  std::int64_t latestSamples_ = 0;             // samples of the latest complete download
  std::optional<SystemClock::time_point> nextDownload_;
  std::optional<SteadyClock::time_point> retryAt_;
  Duration retryPause_{};
  int failuresInARow_ = 0;
  int downloadFailuresInARow_ = 0;
  std::string lastFailure_;
  std::string resetBlocked_;  // why the latest due reset did not happen; empty when none
  std::string loggedBlock_;   // the reason last said in the log
  bool warned_ = false;
  StationLock* lock_ = nullptr;
  std::string notedProblem_;  // what the lock file says now
};
