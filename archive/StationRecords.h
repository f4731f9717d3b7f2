// A station's settings and the status its service last wrote, as plain values, with the judgement
// of such a status against the time now: whether its service still runs, when the logger's memory
// fills. No database here, so that the windows can use them without the archive's code.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// A named place with a logger on a port.
struct StationSettings {
  std::string name;    // 1..64 characters: letters, digits, '-', '_' and '.'
  std::string port;    // the port's path, preferably a stable one (/dev/serial/by-id/...)
  int resetAt = 1500;  // empty the memory once it holds this many
  std::chrono::seconds downloadEvery{24 * 60 * 60};  // download at least this often
};

// What a running station saw last; rewritten by the service as things change.
struct StationStatus {
  std::string station;
  std::chrono::system_clock::time_point updatedAt;
  long pid = 0;  // of the service writing it
  bool connected = false;
  std::optional<std::chrono::system_clock::time_point> lastReplyAt;
  std::string loggerClock;
  std::optional<std::int64_t> clockDriftSeconds;
  std::optional<int> memoryUsed;  // samples the logger holds
  std::optional<double> batteryPercent;
  std::optional<int> rateMinutes;
  std::string recordingStart;  // local logger time of the present recording's start, ISO
  std::optional<std::chrono::system_clock::time_point> lastDownloadAt;
  std::optional<std::chrono::system_clock::time_point> nextDownloadAt;
  std::string problem;  // empty when all is well; the loud warning otherwise
};

// A service rewrites its status at least this often while it runs.
constexpr std::chrono::minutes kStationStatusFreshFor{2};

// Whether `status` comes from a service that still runs: its process is there and it wrote the
// row within kStationStatusFreshFor of `now`.
bool IsStationRunning(const StationStatus& status, std::chrono::system_clock::time_point now);

// When the logger's memory of `capacity` samples is full at its rate, counted from its last reply;
// nothing when the status lacks the memory used, the rate or a reply.
std::optional<std::chrono::system_clock::time_point> StationMemoryFullAt(
    const StationStatus& status, int capacity);
