// Ctrl-C, SIGTERM and SIGHUP while the tool waits on the logger: the handler only writes the
// signal's number to a pipe; a thread of ours reads it and tells the waiting code, which then
// finishes its step in the ordinary way (keeps what arrived, says why it stopped).
#pragma once

#include <atomic>
#include <functional>
#include <thread>

class InterruptSignals {
 public:
  // Installs the handlers; `onSignal` runs on the watching thread with the signal's number, once
  // for each signal received. Throws std::system_error when no pipe or thread can be had.
  explicit InterruptSignals(std::function<void(int signal)> onSignal);
  // Puts the previous handlers back: a signal after this point acts as it did before.
  ~InterruptSignals();
  InterruptSignals(const InterruptSignals&) = delete;
  InterruptSignals& operator=(const InterruptSignals&) = delete;

  // The first signal received, 0 while none came.
  int received() const { return received_; }

 private:
  void Watch();

  std::function<void(int)> onSignal_;
  std::atomic<int> received_{0};
  std::thread thread_;
};

// "SIGINT", "SIGTERM", "SIGHUP", or the number.
const char* SignalName(int signal);
