// Hand-off of work from a worker thread to the user-interface thread.
//
// The serial watch thread must run the port's handlers on the user-interface thread and wait until
// they have run there. This queue does that without any GUI library: the owner of the
// user-interface thread installs a wake-up callback (the Qt program posts a queued call that runs
// RunPending()), or serves the queue itself (the command-line tool and the tests call
// ServeUntil()).
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class UiHandOff {
 public:
  using Task = std::function<void()>;

  UiHandOff();
  ~UiHandOff();
  UiHandOff(const UiHandOff&) = delete;
  UiHandOff& operator=(const UiHandOff&) = delete;

  // The process-wide queue served by the application's event loop.
  static UiHandOff& Main();

  // Worker thread: queue `task`, wake the user-interface thread and block until the task has run
  // there (or was dropped by Cancel()). `owner` tags the task so that Cancel(owner) can drop it.
  // An exception out of the task is passed back and rethrown here, in the waiting thread.
  // Never call it on the user-interface thread itself: nobody would serve the task.
  void RunAndWait(const void* owner, Task task);

  // Any thread: queue `task` without waiting for it.
  void Post(const void* owner, Task task);

  // User-interface thread: run every task queued so far, in order. Returns how many ran.
  // May be called again from inside a task (a modal loop); each task runs once. An exception out
  // of a posted task leaves this call (the rest stays queued and the wake-up is called again).
  int RunPending();

  // User-interface thread: run queued tasks as they come until `done()` holds or `deadline` passes.
  // Returns done(). `done` is checked after every wake-up; call Notify() after changing what it
  // reads.
  bool ServeUntil(const std::function<bool()>& done,
                  std::chrono::steady_clock::time_point deadline =
                      std::chrono::steady_clock::time_point::max());

  // Wakes ServeUntil() so that it checks its condition again.
  void Notify();

  // Drops the queued tasks of `owner`; a thread blocked in RunAndWait() for one of them returns.
  void Cancel(const void* owner);

  // Called from the queuing thread each time a task is queued. May be empty.
  void SetWakeup(std::function<void()> wakeup);

 private:
  struct Entry;
  // Queues `entry` and wakes whoever serves the queue.
  void Enqueue(std::shared_ptr<Entry> entry);
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Entry>> queue_;
  std::function<void()> wakeup_;
  unsigned long generation_ = 0;
};
