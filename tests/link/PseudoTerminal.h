// A pseudo-terminal pair for serial tests: the port under test opens the slave by its path, the
// test plays the far end of the line on the master.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <string>

class PseudoTerminal {
 public:
  PseudoTerminal() {
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
      throw std::runtime_error("openpty failed");
    }
    char name[256];
    if (ttyname_r(slave_, name, sizeof name) != 0) throw std::runtime_error("ttyname failed");
    path_ = name;
  }
  ~PseudoTerminal() {
    CloseMaster();
    if (slave_ >= 0) close(slave_);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // The name the port opens.
  const std::string& Path() const { return path_; }
  int Master() const { return master_; }
  // The test's own descriptor of the slave: keeps the line alive between openings of the port.
  int Slave() const { return slave_; }

  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  // The far end sends.
  void Send(const std::string& bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw std::runtime_error("write to master failed");
      done += static_cast<size_t>(n);
    }
  }

  // The far end receives `count` bytes, or what came within `limit`.
  std::string Receive(size_t count,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
    std::string bytes;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (bytes.size() < count) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      if (left <= 0) break;
      pollfd entry{master_, POLLIN, 0};
      if (poll(&entry, 1, static_cast<int>(left)) <= 0) continue;
      char buffer[4096];
      size_t want = std::min(sizeof buffer, count - bytes.size());
      ssize_t n = read(master_, buffer, want);
      if (n > 0) bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};
