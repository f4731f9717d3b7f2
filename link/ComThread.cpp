#include "link/ComThread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <system_error>

#include "link/PosixSerialBackend.h"
#include "link/SerialSystem.h"
#include "link/UiHandOff.h"

namespace {

// poll reports waiting input for as long as it waits, while a wake-up should only announce new
// bytes. When a handler has left bytes unread, the thread therefore stops watching for input and
// looks every this many milliseconds whether more came or someone read them.
constexpr int kUnreadRecheckMs = 20;

constexpr TComEvents kRxChar = 1u << evRxChar;

}  // namespace

TComThread::TComThread(TCustomComPort& port, std::shared_ptr<SerialSystem> system, int handle,
                       TComEvents events, unsigned long session, int quietMs)
    : port_(port),
      system_(std::move(system)),
      handle_(handle),
      events_(events),
      session_(session),
      quietMs_(quietMs) {
  stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stopFd_ < 0) throw EComPort(kReasonOpenFailed, errno);
  try {
    thread_ = std::thread(&TComThread::Execute, this);
  } catch (const std::system_error& error) {
    close(stopFd_);
    throw EComPort(kReasonOpenFailed, error.code().value());
  }
}

TComThread::~TComThread() {
  RequestStop();
  Join();
  close(stopFd_);
}

int TComThread::QuietTimeMs(int bitsPerSecond) {
  if (bitsPerSecond <= 0) return 0;
  const int ms = (25000 + bitsPerSecond - 1) / bitsPerSecond;
  return ms < 1 ? 1 : ms;
}

void TComThread::RequestStop() {
  if (stop_.exchange(true)) return;
  const uint64_t one = 1;
  // The stop flag is what counts; the descriptor only ends a wait that is under way.
  [[maybe_unused]] ssize_t ignored = write(stopFd_, &one, sizeof one);
}

void TComThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void TComThread::Execute() {
  const short watched = (events_ & kRxChar) ? POLLIN : 0;
  bool unreadLeft = false;  // the last handler left bytes unread: wait for a change
  int unreadCount = 0;
  unsigned long long unreadConsumed = 0;
  // When the previous notice's characters were counted, and whether more were already waiting
  // when it had been handled: those came while the notice waited for the user-interface thread,
  // at a time nobody saw, so no pause on the line is known before them.
  std::optional<std::chrono::steady_clock::time_point> previousCount;
  bool waitingAfterNotice = false;

  while (!StopRequested()) {
    // A hang-up or error shows on the port even when no input is watched.
    pollfd fds[2] = {{stopFd_, POLLIN, 0}, {handle_, unreadLeft ? short(0) : watched, 0}};
    const int ready = system_->Poll(fds, 2, unreadLeft ? kUnreadRecheckMs : -1);
    const auto woken = port_.readClock_();
    if (StopRequested()) break;
    if (ready < 0) {
      if (errno == EINTR) continue;
      ReportFailure(kReasonWaitFailed, errno);
      break;
    }
    const short seen = fds[1].revents;
    const bool hungUp = (seen & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    if (!hungUp && !unreadLeft && !(seen & POLLIN)) continue;

    int waiting = serial_backend::BytesWaiting(*system_, handle_);
    if (waiting < 0) {  // a line that has gone away answers EIO here
      ReportFailure(kReasonReadFailed, errno);
      break;
    }
    if (unreadLeft) {
      if (!hungUp && waiting == unreadCount && port_.ConsumedBytes() == unreadConsumed) continue;
      unreadLeft = false;
    }
    if (waiting == 0) {
      if (hungUp) {
        ReportFailure(kReasonReadFailed, EIO);
        break;
      }
      continue;  // already read on the user-interface thread since the wake-up
    }

    if (!hungUp && quietMs_ > 0) {
      const int settled = WaitForQuietLine(waiting);
      if (StopRequested()) break;
      if (settled < 0) {
        ReportFailure(kReasonReadFailed, errno);
        break;
      }
      waiting = settled;
    }

    // Stamped here, where the count is taken: a user-interface thread that runs the notice late
    // must not see a pause in the line that was not there, nor miss one that was.
    const auto counted = port_.readClock_();
    std::chrono::steady_clock::duration pause = std::chrono::steady_clock::duration::max();
    if (previousCount) {
      pause = waitingAfterNotice
                  ? std::chrono::steady_clock::duration::zero()
                  : std::max(woken - *previousCount, std::chrono::steady_clock::duration::zero());
    }
    port_.NoteRead(counted, pause);
    previousCount = counted;
    const unsigned long long consumedBefore = port_.ConsumedBytes();
    if (!Dispatch(events_ & kRxChar)) break;
    if (StopRequested()) break;  // the port may be closed already: touch nothing
    const int after = serial_backend::BytesWaiting(*system_, handle_);
    if (after < 0) {
      ReportFailure(kReasonReadFailed, errno);
      break;
    }
    waitingAfterNotice = after > 0;
    if (port_.ConsumedBytes() == consumedBefore) {
      if (after == waiting) {
        if (hungUp) {
          ReportFailure(kReasonReadFailed, EIO);
          break;
        }
        unreadLeft = true;
        unreadCount = after;
        unreadConsumed = consumedBefore;
      }
    }
  }
  finished_ = true;
  port_.handOff_.Notify();  // a Disconnect serving the queue checks for the end again
}

int TComThread::WaitForQuietLine(int waiting) {
  const auto giveUpAt =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kMaxQuietWaitMs);
  for (;;) {
    // Only the stop descriptor is watched: the port would report its waiting input at once.
    pollfd stop = {stopFd_, POLLIN, 0};
    if (system_->Poll(&stop, 1, quietMs_) != 0 || StopRequested()) return waiting;
    const int now = serial_backend::BytesWaiting(*system_, handle_);
    if (now < 0) return -1;
    if (now == waiting || std::chrono::steady_clock::now() >= giveUpAt) return now;
    waiting = now;
  }
}

bool TComThread::Dispatch(TComEvents events) {
  try {
    port_.handOff_.RunAndWait(&port_, [this, events] {
      ++dispatching_;
      struct Leave {
        int& depth;
        ~Leave() { --depth; }
      } leave{dispatching_};
      port_.DispatchEvents(events);
    });
    return true;
  } catch (const EComPort& error) {
    ReportFailure(error.Reason, error.SystemError);
  } catch (const std::exception& error) {
    // A handler raised something that is not a port error: the watch ended, and its text says
    // why.
    ReportFailure(kReasonWaitFailed, -1, error.what());
  } catch (...) {
    ReportFailure(kReasonWaitFailed, -1);
  }
  return false;
}

void TComThread::ReportFailure(int reason, int systemError, std::string message) {
  if (StopRequested()) return;  // the owner is closing the port already
  TCustomComPort* port = &port_;
  const unsigned long session = session_;
  // Only plain values cross to the other thread; the error is built there. An exception object
  // shares its message between copies through a count that thread checkers cannot see.
  port_.handOff_.Post(port, [port, session, reason, systemError, message = std::move(message)] {
    const EComPort error =
        message.empty() ? EComPort(reason, systemError) : EComPort(reason, systemError, message);
    port->ReportWatchFailure(session, error);
  });
}
