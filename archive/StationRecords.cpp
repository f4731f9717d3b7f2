// Judges a station's last status against the time now.
#include "archive/StationRecords.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>

bool IsStationRunning(const StationStatus& status, std::chrono::system_clock::time_point now) {
  if (status.pid <= 0) return false;
  if (now - status.updatedAt > kStationStatusFreshFor) return false;
  // EPERM: the process is there, under another user.
  return ::kill(static_cast<pid_t>(status.pid), 0) == 0 || errno == EPERM;
}

std::optional<std::chrono::system_clock::time_point> StationMemoryFullAt(
    const StationStatus& status, int capacity) {
  if (!status.memoryUsed || !status.rateMinutes || *status.rateMinutes <= 0 ||
      !status.lastReplyAt) {
    return std::nullopt;
  }
  const int left = std::max(0, capacity - *status.memoryUsed);
  return *status.lastReplyAt + std::chrono::minutes(std::int64_t{left} * *status.rateMinutes);
}
