// One running service per station: a lock file beside the archive, held with flock for as long as
// the service runs, so that the kernel lets it go when the process ends, however it ends. The file
// also names the process that holds it and the service's latest problem, where `station status`
// finds them even when the archive itself cannot be written (a full disk).
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

// The station runs already: the text names the process that holds it.
class StationBusyError : public std::runtime_error {
 public:
  StationBusyError(const std::string& station, long pid);
  long pid;
};

// Who holds a station's lock, read without taking it.
struct StationLockHolder {
  long pid = 0;         // 0 when the holder has not written it yet
  std::string problem;  // empty when the service noted none
};

class StationLock {
 public:
  // The lock file of `station` beside the archive at `archivePath`.
  static std::string PathFor(const std::string& archivePath, const std::string& station);
  // Takes the lock. Throws StationBusyError when a live process holds it, std::runtime_error
  // when the file cannot be created.
  StationLock(const std::string& archivePath, const std::string& station);
  ~StationLock();
  StationLock(const StationLock&) = delete;
  StationLock& operator=(const StationLock&) = delete;

  // Notes the service's problem in the file (empty: none). Rewrites only bytes written when the
  // lock was taken, so that it works on a full disk. Throws nothing.
  void NoteProblem(const std::string& problem);

  // The holder of the lock, nothing when no process holds it.
  static std::optional<StationLockHolder> Holder(const std::string& archivePath,
                                                 const std::string& station);

 private:
  void Write(const std::string& problem);

  int fd_ = -1;
};
