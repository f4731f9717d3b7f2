// A stop request that a blocking wait can watch: an atomic flag for code that checks between
// steps, and an eventfd that poll() sees become readable, so that a wait on a child process or a
// socket ends as soon as the request comes.
#pragma once

#include <atomic>

class StopSignal {
 public:
  StopSignal();  // throws std::system_error when no eventfd can be had
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  void Request();  // any thread, also a signal handler's watcher
  bool requested() const { return requested_.load(); }
  int fd() const { return fd_; }  // readable once requested

 private:
  std::atomic<bool> requested_{false};
  int fd_ = -1;
};
