// The delivery of a station's alarm events, on a thread of its own beside the station's service:
// each new event of the station's alarms becomes a delivery on each configured channel (command,
// mail), tried at once and, when it fails, again after a pause that doubles up to a longest one.
// The thread sleeps until the next try is due, it is woken (new events), or the archive is looked
// at again; a stop aborts a delivery under way within about a second.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "notify/StopSignal.h"

class NotifyStore;
struct PendingDelivery;
struct StationNotify;

struct NotifierTiming {
  using Duration = std::chrono::milliseconds;
  Duration firstRetry{30000};  // after a failed attempt; doubles up to maxRetry
  Duration maxRetry{3600000};
  Duration lookEvery{5000};  // events written by other processes are found within this
  Duration commandLimit{30000};
  Duration mailConnectLimit{15000};
  Duration mailLimit{60000};
};

class Notifier {
 public:
  using LogLine = std::function<void(const std::string&)>;
  using Clock = std::function<std::chrono::system_clock::time_point()>;

  // Delivers the events of `station`'s alarms kept in the archive at `archivePath`; one line per
  // attempt goes to `log` (called from the notifier's thread).
  Notifier(std::string station, std::string archivePath, LogLine log, NotifierTiming timing = {});
  ~Notifier();  // stops and joins
  Notifier(const Notifier&) = delete;
  Notifier& operator=(const Notifier&) = delete;

  // Fixes where deliveries begin (events from now on are delivered), then starts the thread.
  void Start();
  // New events may have been written: look at once.
  void Wake();
  // Aborts a delivery under way and joins the thread. Any thread; more than once is harmless.
  void Stop();
  // Asks the thread to end, aborting a delivery under way, without waiting for it (a signal's
  // watcher); the destructor or Stop() joins it.
  void RequestStop();

 private:
  void Loop();
  // Sets where deliveries begin on each channel.
  void FixStart(NotifyStore& store);
  // Makes the deliveries of new events; returns how long to sleep before looking again.
  std::chrono::milliseconds Pass(NotifyStore& store);
  void Attempt(NotifyStore& store, const StationNotify& settings, const PendingDelivery& delivery);

  std::string station_;
  std::string archivePath_;
  LogLine log_;
  NotifierTiming timing_;
  StopSignal stop_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
  std::int64_t queuedCommand_ = -1;  // newest event given a delivery, per channel; -1: not known
  std::int64_t queuedMail_ = -1;
  bool announced_ = false;  // the channels were logged
  std::thread thread_;
};
