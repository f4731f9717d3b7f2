// A bare program end for the logger emulator's port: opens the path, writes commands and reads
// what arrives, with generous time limits.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

class PtyClient {
 public:
  explicit PtyClient(const std::string& path)
      : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
  ~PtyClient() { Close(); }
  PtyClient(const PtyClient&) = delete;
  PtyClient& operator=(const PtyClient&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Writes `text` a character at a time; false when the line fails or stays full for `limit`.
  bool Write(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (const char c : text) {
      for (;;) {
        const ssize_t n = ::write(fd_, &c, 1);
        if (n == 1) break;
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;  // EIO: the far end left
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(left.count()));  // waits until there is room
      }
    }
    return true;
  }
  int Waiting() const {
    int count = 0;
    return ::ioctl(fd_, FIONREAD, &count) == 0 ? count : -1;
  }
  // Reads until `size` bytes have come or `limit` has passed.
  std::string Read(std::size_t size, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::string text;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (text.size() < size) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, size - text.size()));
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  }
  // Reads until the text ends with `tail` or `limit` has passed.
  std::string ReadUntil(const std::string& tail,
                        std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    std::string text;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (text.size() < tail.size() ||
           text.compare(text.size() - tail.size(), tail.size(), tail)) {
      if (std::chrono::steady_clock::now() >= end) break;
      const std::string more = Read(1, std::chrono::milliseconds(100));
      text += more;
    }
    return text;
  }

 private:
  int fd_ = -1;
};
