#include "link/UiHandOff.h"

#include <exception>
#include <utility>

struct UiHandOff::Entry {
  enum class State { Queued, Running, Done, Dropped };

  const void* owner = nullptr;
  Task task;
  bool waited = false;  // queued by RunAndWait: a thread blocks until it has run
  State state = State::Queued;
  std::exception_ptr error;  // what a waited task raised, rethrown in the waiting thread
};

UiHandOff::UiHandOff() = default;

UiHandOff::~UiHandOff() {
  // Threads still waiting for a task must not wait for ever on a queue that is gone.
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& entry : queue_) entry->state = Entry::State::Dropped;
  queue_.clear();
  changed_.notify_all();
}

UiHandOff& UiHandOff::Main() {
  static UiHandOff instance;
  return instance;
}

void UiHandOff::RunAndWait(const void* owner, Task task) {
  auto entry = std::make_shared<Entry>();
  entry->owner = owner;
  entry->task = std::move(task);
  entry->waited = true;
  Enqueue(entry);

  std::exception_ptr error;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] {
      return entry->state == Entry::State::Done || entry->state == Entry::State::Dropped;
    });
    // Only this thread holds the exception from here on, so it is also released here.
    error = std::move(entry->error);
  }
  if (error) std::rethrow_exception(error);
}

void UiHandOff::Post(const void* owner, Task task) {
  auto entry = std::make_shared<Entry>();
  entry->owner = owner;
  entry->task = std::move(task);
  Enqueue(std::move(entry));
}

void UiHandOff::Enqueue(std::shared_ptr<Entry> entry) {
  std::function<void()> wakeup;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(entry));
    ++generation_;
    wakeup = wakeup_;
  }
  changed_.notify_all();
  // The wake-up is called outside the lock: it may post to an event loop that takes locks of its
  // own.
  if (wakeup) wakeup();
}

int UiHandOff::RunPending() {
  // Only the tasks queued before this call: a task that queues another must not keep us here.
  size_t budget;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    budget = queue_.size();
  }
  int ran = 0;
  for (; budget > 0; --budget) {
    std::shared_ptr<Entry> entry;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.empty()) break;
      entry = queue_.front();
      queue_.pop_front();
      entry->state = Entry::State::Running;
    }
    std::exception_ptr error;
    try {
      entry->task();
    } catch (...) {
      error = std::current_exception();
    }
    ++ran;
    std::function<void()> wakeup;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      entry->state = Entry::State::Done;
      entry->task = nullptr;
      if (entry->waited) {
        entry->error = std::move(error);  // handed over whole to the waiting thread
      } else if (error && !queue_.empty()) {
        wakeup = wakeup_;  // the rest of the queue still has to be served
      }
    }
    changed_.notify_all();
    if (error) {
      // A posted task has nobody waiting for it: its failure goes to whoever serves the queue.
      if (wakeup) wakeup();
      std::rethrow_exception(error);
    }
  }
  return ran;
}

bool UiHandOff::ServeUntil(const std::function<bool()>& done,
                           std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    if (done()) return true;
    unsigned long seen;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen = generation_;
    }
    RunPending();
    if (done()) return true;
    std::unique_lock<std::mutex> lock(mutex_);
    auto changed = [&] { return generation_ != seen; };
    if (deadline == std::chrono::steady_clock::time_point::max()) {
      changed_.wait(lock, changed);
    } else if (!changed_.wait_until(lock, deadline, changed)) {
      lock.unlock();
      return done();
    }
  }
}

void UiHandOff::Notify() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
  }
  changed_.notify_all();
}

void UiHandOff::Cancel(const void* owner) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = queue_.begin(); it != queue_.end();) {
      if ((*it)->owner == owner) {
        (*it)->state = Entry::State::Dropped;
        (*it)->task = nullptr;
        it = queue_.erase(it);
      } else {
        ++it;
      }
    }
    ++generation_;
  }
  changed_.notify_all();
}

void UiHandOff::SetWakeup(std::function<void()> wakeup) {
  std::lock_guard<std::mutex> lock(mutex_);
  wakeup_ = std::move(wakeup);
}
