// The stop request on an eventfd.
#include "notify/StopSignal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

StopSignal::StopSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

StopSignal::~StopSignal() {
  ::close(fd_);
}

void StopSignal::Request() {
  requested_ = true;
  const std::uint64_t one = 1;
  // Never drained: once set, it stays readable.
  [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}
