#include "sim/PtyEndpoint.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

timespec ToTimespec(PtyEndpoint::Clock::duration d) {
  if (d < PtyEndpoint::Clock::duration::zero()) d = PtyEndpoint::Clock::duration::zero();
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
  return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

// ppoll until `deadline` (max: no limit), retrying on EINTR with the time that is left.
int PollUntil(pollfd* fds, nfds_t count, PtyEndpoint::Clock::time_point deadline) {
  for (;;) {
    timespec limit{};
    timespec* limitPtr = nullptr;
    if (deadline != PtyEndpoint::Clock::time_point::max()) {
      limit = ToTimespec(deadline - PtyEndpoint::Clock::now());
      limitPtr = &limit;
    }
    const int r = ppoll(fds, count, limitPtr, nullptr);
    if (r >= 0 || errno != EINTR) return r;
  }
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

PtyEndpoint::PtyEndpoint() {
  termios raw{};
  cfmakeraw(&raw);
  cfsetispeed(&raw, B9600);
  cfsetospeed(&raw, B9600);
  int slave = -1;
  char name[256] = {};
  if (openpty(&master_, &slave, name, &raw, nullptr) != 0) {
    throw std::runtime_error(std::string("no pseudo-terminal can be had: ") + std::strerror(errno));
  }
  path_ = name;
  // Without a slave descriptor of our own the master reports a hang-up while no program has the
  // port open. The raw settings stay with the terminal for every later opening.
  ::close(slave);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
    CloseFd(master_);
    throw std::runtime_error(std::string("cannot make a stop pipe: ") + std::strerror(errno));
  }
  stopRead_ = pipeFds[0];
  stopWrite_ = pipeFds[1];
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ >= 0 &&
      inotify_add_watch(watch_, path_.c_str(), IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
    CloseFd(watch_);
  }
}

PtyEndpoint::~PtyEndpoint() {
  CloseFd(master_);
  CloseFd(watch_);
  CloseFd(stopRead_);
  CloseFd(stopWrite_);
}

bool PtyEndpoint::ClientPresent() const {
  if (master_ < 0) return false;
  pollfd p{master_, POLLIN, 0};
  return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

bool PtyEndpoint::TakeClientClosed() {
  if (watch_ < 0) return false;
  bool closed = false;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(watch_, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->mask & IN_OPEN) {
        if (ownOpens_ > 0) --ownOpens_;
      } else if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
        if (ownCloses_ > 0) {
          --ownCloses_;
        } else {
          closed = true;
        }
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return closed;
}

void PtyEndpoint::DiscardStaleOutput() {
  if (master_ < 0) return;
  // The input queue of the port survives a closing, so whatever the last program left unread
  // would reach the next one first. Only the port side can empty it.
  const int fd = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;  // held exclusively by a program: it is there, nothing to clean up
  if (watch_ >= 0) {
    ++ownOpens_;
    ++ownCloses_;
  }
  tcflush(fd, TCIFLUSH);
  ::close(fd);
}

void PtyEndpoint::ReadInput(std::string& out) {
  if (master_ < 0) return;
  char buffer[512];
  for (;;) {
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) {
      out.append(buffer, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return;  // nothing more (EAGAIN), or no program on the port (EIO)
  }
}

bool PtyEndpoint::Wait(Clock::time_point deadline, bool watchInput) {
  pollfd fds[3] = {{stopRead_, POLLIN, 0}, {watch_, POLLIN, 0}, {-1, POLLIN, 0}};
  // The master is only watched while a program is there: without one it reports a hang-up all
  // the time. A program arriving is seen through the path watch.
  if (watchInput && master_ >= 0) fds[2].fd = master_;
  nfds_t count = 3;
  if (watch_ < 0 && fds[2].fd < 0) {
    // No path watch: look for a program again in a short while.
    deadline = std::min(deadline, Clock::now() + std::chrono::milliseconds(20));
    count = 1;
  }
  PollUntil(fds, count, deadline);
  return !(fds[0].revents & POLLIN);
}

bool PtyEndpoint::SleepUntil(Clock::time_point deadline) {
  pollfd p{stopRead_, POLLIN, 0};
  while (Clock::now() < deadline) {
    PollUntil(&p, 1, deadline);
    if (p.revents & POLLIN) return false;
  }
  return !(p.revents & POLLIN);
}

PtyEndpoint::WriteResult PtyEndpoint::WriteNow(std::string_view data, Clock::time_point giveUpAt) {
  while (!data.empty()) {
    if (master_ < 0) return WriteResult::ClientGone;
    if (!ClientPresent()) return WriteResult::ClientGone;
    const ssize_t n = ::write(master_, data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return WriteResult::ClientGone;
    // The program is not taking bytes: wait for room, a stop, or the program leaving.
    pollfd fds[2] = {{stopRead_, POLLIN, 0}, {master_, POLLOUT, 0}};
    const auto limit = std::min(giveUpAt, Clock::now() + std::chrono::milliseconds(100));
    PollUntil(fds, 2, limit);
    if (fds[0].revents & POLLIN) return WriteResult::Stopped;
    if (fds[1].revents & POLLHUP) return WriteResult::ClientGone;
    if (Clock::now() >= giveUpAt) return WriteResult::TimedOut;
  }
  return WriteResult::Done;
}

PtyEndpoint::WriteResult PtyEndpoint::Write(std::string_view data, int baud,
                                            Clock::duration patience) {
  const auto now = Clock::now();
  const auto giveUpAt =
      patience == Clock::duration::max() ? Clock::time_point::max() : now + patience;
  if (baud <= 0) {
    lineIdleAt_ = now;
    return WriteNow(data, giveUpAt);
  }
  const std::chrono::duration<double> byteTime(10.0 / baud);
  // Hand over the bytes of a few milliseconds of line time at a time, as a receiving port would.
  const size_t chunk =
      std::max<size_t>(1, static_cast<size_t>(deliveryMs_ / 1000.0 / byteTime.count() + 0.5));
  lineIdleAt_ = std::max(lineIdleAt_, now);
  while (!data.empty()) {
    const size_t take = std::min(chunk, data.size());
    const auto due = lineIdleAt_ + std::chrono::duration_cast<Clock::duration>(byteTime * take);
    if (!SleepUntil(due)) return WriteResult::Stopped;
    const WriteResult r = WriteNow(data.substr(0, take), giveUpAt);
    if (r != WriteResult::Done) return r;
    lineIdleAt_ = due;
    data.remove_prefix(take);
  }
  return WriteResult::Done;
}

PtyEndpoint::Clock::time_point PtyEndpoint::LineIdleAt() const {
  return std::max(lineIdleAt_, Clock::now());
}

void PtyEndpoint::RequestStop() {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(stopWrite_, &byte, 1);
}

void PtyEndpoint::HangUp() {
  CloseFd(master_);
  CloseFd(watch_);
}
