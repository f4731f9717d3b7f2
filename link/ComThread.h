// Watch thread of an open serial port: waits for received characters and for a stop request at the
// same time, without time-out, and hands each wake-up to the user-interface thread, blocking until
// the port's handlers have run there. The next wait starts only after that, so notices never
// overlap; bytes that arrive meanwhile end the next wait at once.
//
// When the line hangs up, the wait fails or a dispatch raises, the thread reports it once through
// the port's failure handler (posted to the user-interface thread without waiting) and ends.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "link/CPort.h"

class SerialSystem;
class EComPort;

class TComThread {
 public:
  // Starts watching `handle` for `port`. `session` identifies this opening of the port, so that a
  // failure report that arrives after the port was closed or reopened is dropped.
  TComThread(TCustomComPort& port, std::shared_ptr<SerialSystem> system, int handle,
             TComEvents events, unsigned long session);
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
  void ReportFailure(const EComPort& error);
  bool StopRequested() const { return stop_.load(); }

  TCustomComPort& port_;
  std::shared_ptr<SerialSystem> system_;
  const int handle_;
  const TComEvents events_;
  const unsigned long session_;
  int stopFd_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  int dispatching_ = 0;  // user-interface thread only
  std::thread thread_;
};
