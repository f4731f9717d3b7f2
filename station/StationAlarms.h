// The alarms of one running station: excursions found live from status replies between downloads
// and authoritatively from the whole record after each download, and the conditions of the logger
// and the link (silent, battery, memory, failed downloads, clock drift). The work runs on a thread
// of its own, so that reading a long record or waiting on the archive never holds up the station's
// watch of its logger; the station only hands over what it saw.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "alarms/Alarm.h"

class AlarmStore;
class DownloadArchive;

// What one status reply showed.
struct AlarmReply {
  std::string loggerClock;  // local logger time "2026-12-07T14:05:00"; empty when unreadable
  double temperature = 0;   // degrees Celsius
  double humidity = 0;      // %
  double batteryPercent = 0;
  bool batteryGood = true;
  int memoryUsed = 0;                             // samples the logger holds
  std::int64_t memoryArchived = 0;                // of them, held by the latest complete download
  std::optional<std::int64_t> clockDriftSeconds;  // logger minus computer
};

// The limits of the conditions.
constexpr std::chrono::minutes kSilentAfter{10};
constexpr int kMemoryAlarmPercent = 90;
constexpr int kFailedDownloadsInARow = 3;
constexpr std::int64_t kClockDriftLimitSeconds = 120;

class StationAlarms {
 public:
  using SystemClock = std::chrono::system_clock;

  // Keeps the alarms of `station` in the archive at `archivePath`; lines for the service's log go
  // to `log` (from the alarms' thread).
  StationAlarms(std::string station, std::string archivePath,
                std::function<void(const std::string&)> log);
  // Finishes what was handed over, then stops.
  ~StationAlarms();
  StationAlarms(const StationAlarms&) = delete;
  StationAlarms& operator=(const StationAlarms&) = delete;

  // Each of these returns at once.
  void Replied(const AlarmReply& reply);
  // After a download was archived: the record is read and judged again, under the rule kept now.
  void Downloaded();
  // After each download attempt: how many failed in a row (0 after one that completed).
  void DownloadsFailed(int inARow);
  // While no reply comes: the last one came at `lastReply` (or the watch began then).
  void NoReplySince(SystemClock::time_point lastReply);

 private:
  struct Live;
  void Post(std::function<void()> job);
  void Work();
  void Open();
  void JudgeReply(const AlarmReply& reply);
  void JudgeRecord();
  void SetCondition(AlarmKind kind, bool on, std::optional<double> limit,
                    std::optional<double> value, bool lowIsWorse);
  void Log(const std::string& line);

  std::string station_;
  std::string archivePath_;
  std::function<void(const std::string&)> log_;

  // Used by the alarms' thread only.
  std::unique_ptr<AlarmStore> store_;
  std::unique_ptr<DownloadArchive> archive_;
  std::optional<AlarmRule> rule_;
  std::unique_ptr<Live> live_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool recordQueued_ = false;  // one reading of the record waiting covers every download before it
  bool stopping_ = false;
  std::thread thread_;  // last: starts once everything above is ready
};
