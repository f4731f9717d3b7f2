// A station's pushes to its central archive, on a thread of their own while the station runs: a
// push at start, then one whenever the archive holds rows the central archive has not confirmed
// (looked for in the archive file alone, every few seconds); a server that cannot be reached or
// refuses is tried again after a pause that doubles up to a limit, and the station's own work
// never waits on it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

struct CentralPusherTiming {
  std::chrono::milliseconds check{2000};       // between looks for rows waiting
  std::chrono::milliseconds firstRetry{5000};  // after a failure; doubles up to maxRetry
  std::chrono::milliseconds maxRetry{600000};
};

class CentralPusher {
 public:
  // Starts pushing the archive at `archivePath` to `url`; lines for the service's log go to `log`
  // (the URL holds no password: such a URL is refused when it is set).
  CentralPusher(std::string archivePath, std::string url, std::ostream& log,
                CentralPusherTiming timing = {});
  // Stops between two batches, and waits for the thread.
  ~CentralPusher();
  CentralPusher(const CentralPusher&) = delete;
  CentralPusher& operator=(const CentralPusher&) = delete;

  void Stop();

 private:
  void Loop();

  std::string archivePath_;
  std::string url_;
  std::ostream& log_;
  CentralPusherTiming timing_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};
