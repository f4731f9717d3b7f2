// What the station tests share: a logger emulator whose memory fills a sample every 2 s, reached
// through a stable link in a test folder, a wait on a condition with a deadline, and the events
// the station has archived.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "archive/StationStore.h"
#include "sim/LoggerEmulator.h"

namespace station_test {

// Samples every 5 minutes of the logger's clock, which runs 150 times faster than time: a sample
// every 2 seconds, three stored to begin with, four replies a second, the port behind `link`.
inline LoggerOptions FillingLogger(const std::string& link) {
  LoggerOptions options;
  options.storedSamples = 3;
  options.rateCode = 2;
  options.speed = 150;
  options.statusPeriodMs = 250;
  options.linkPath = link;
  return options;
}

// Polls `done` until it holds or `patience` passes (generous: the machine may be loaded).
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::seconds patience = std::chrono::seconds(120)) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// The events of station "camara1", newest first, and how many are of `kind`.
inline std::vector<StationEvent> Events(const std::string& archive) {
  return StationStore(archive, ArchiveAccess::kReadOnly).Events("camara1", 100000);
}
inline int Count(const std::string& archive, StationEventKind kind) {
  int count = 0;
  for (const StationEvent& event : Events(archive)) count += event.kind == kind;
  return count;
}

}  // namespace station_test
