// Watch thread of an open serial port: waits for received characters and for a stop request at the
// same time, without time-out, and hands each wake-up to the user-interface thread, blocking until
// the port's handlers have run there. The next wait starts only after that, so notices never
// overlap; bytes that arrive meanwhile end the next wait at once.
//
// Bytes that are still coming in are let finish before they are handed over: the thread waits
// until the line has been quiet for `quietMs` (a few character times), for at most
// kMaxQuietWaitMs. A status reply paced a byte at a time then reaches the handler in one batch,
// together with any stray byte right before it, so that the interpreter sees where it starts.
//
// When the line hangs up, the wait fails or a dispatch raises, the thread reports it once through
// the port's failure handler (posted to the user-interface thread without waiting) and ends.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "link/CPort.h"

class SerialSystem;
class EComPort;

class TComThread {
 public:
  // Starts watching `handle` for `port`. `session` identifies this opening of the port, so that a
  // failure report that arrives after the port was closed or reopened is dropped.
  TComThread(TCustomComPort& port, std::shared_ptr<SerialSystem> system, int handle,
             TComEvents events, unsigned long session, int quietMs);

  // Longest wait for a quiet line: a download streams without a pause, and must still be handed
  // over in pieces.
  static constexpr int kMaxQuietWaitMs = 40;
  // Quiet time for a line at `bitsPerSecond`: two and a half character times of ten bits, at
  // least one millisecond (3 ms at 9600 baud). 0 for a rate of 0 or less.
  static int QuietTimeMs(int bitsPerSecond);
  // Stops and waits for the thread. Must not run inside this thread's own dispatch.
  ~TComThread();
  TComThread(const TComThread&) = delete;
  TComThread& operator=(const TComThread&) = delete;

  // Any thread: asks the thread to end; it no longer touches the port once it sees the request.
  void RequestStop();
  // The thread has left its loop (it may still need Join()).
  bool Finished() const { return finished_.load(); }
  void Join();
  // User-interface thread: a dispatch handed over by this thread is running right now, further up
  // the stack. The thread is then blocked in its hand-off and cannot be joined from here.
  bool Dispatching() const { return dispatching_ > 0; }

 private:
  void Execute();
  bool Dispatch(TComEvents events);
  // Waits until the count of waiting bytes stops growing; returns it, -1 with errno on a failed
  // count. Returns early on a stop request.
  int WaitForQuietLine(int waiting);
  // Reports, once, that the watch ended: reason, errno (-1 for none) and, for an exception that
  // is not a port error, its text.
  void ReportFailure(int reason, int systemError, std::string message = {});
  bool StopRequested() const { return stop_.load(); }

  TCustomComPort& port_;
  std::shared_ptr<SerialSystem> system_;
  const int handle_;
  const TComEvents events_;
  const unsigned long session_;
  const int quietMs_;
  int stopFd_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  int dispatching_ = 0;  // user-interface thread only
  std::thread thread_;
};
