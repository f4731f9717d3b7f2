// A station's pushes to its central archive: see CentralPusher.h.
#include "central/CentralPusher.h"

#include <algorithm>

#include "archive/ArchiveError.h"
#include "central/CentralPush.h"

CentralPusher::CentralPusher(std::string archivePath, std::string url, std::ostream& log,
                             CentralPusherTiming timing)
    : archivePath_(std::move(archivePath)),
      url_(std::move(url)),
      log_(log),
      timing_(timing),
      thread_([this] { Loop(); }) {}

CentralPusher::~CentralPusher() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

void CentralPusher::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
  wake_.notify_all();
}

void CentralPusher::Loop() {
  std::chrono::milliseconds retry = timing_.firstRetry;
  bool failing = false;
  bool first = true;
  for (;;) {
    std::chrono::milliseconds pause = timing_.check;
    try {
      // The server is asked only when something waits (or after a failure, or at start).
      if (first || failing || PendingPushOf(archivePath_, url_).total() > 0) {
        first = false;
        PushOptions options;
        options.stopRequested = [this] {
          std::lock_guard<std::mutex> lock(mutex_);
          return stop_;
        };
        const PushResult result = PushToCentral(archivePath_, url_, options);
        if (failing || result.added.downloads > 0) {
          log_ << "central archive: " << result.added.downloads << " downloads and "
               << result.added.auditEntries << " audit entries pushed" << std::endl;
        }
        failing = false;
        retry = timing_.firstRetry;
      }
    } catch (const std::exception& error) {
      // What waits stays marked as waiting in the archive; it goes with the next push.
      log_ << "central archive unreachable or refusing (trying again in " << retry.count() / 1000
           << " s): " << error.what() << std::endl;
      failing = true;
      pause = retry;
      retry = std::min(retry * 2, timing_.maxRetry);
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_.wait_for(lock, pause, [this] { return stop_; })) return;
  }
}
