#include "cli/InterruptSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <system_error>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// The pipe between the handler and the watching thread. A process has one set of handlers, so
// one pipe serves whichever InterruptSignals is alive (there is at most one at a time).
int pipeEnds[2] = {-1, -1};
struct sigaction previous[kSignalCount];

// Async-signal-safe: one write of one byte, errno kept for the interrupted code.
extern "C" void OnSignal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
  errno = saved;
}

// A byte that is no signal's number: the watching thread's cue to end.
constexpr unsigned char kStop = 0;

}  // namespace

InterruptSignals::InterruptSignals(std::function<void(int)> onSignal)
    : onSignal_(std::move(onSignal)) {
  if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe");
  }
  thread_ = std::thread([this] { Watch(); });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &action, &previous[i]);
}

InterruptSignals::~InterruptSignals() {
  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &previous[i], nullptr);
  [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &kStop, 1);
  thread_.join();
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

void InterruptSignals::Watch() {
  pollfd watched{pipeEnds[0], POLLIN, 0};
  for (;;) {
    if (poll(&watched, 1, -1) < 0 && errno != EINTR) return;
    unsigned char byte = 0;
    while (read(pipeEnds[0], &byte, 1) == 1) {
      if (byte == kStop) return;
      int none = 0;
      received_.compare_exchange_strong(none, byte);
      onSignal_(byte);
    }
  }
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "signal";
  }
}
