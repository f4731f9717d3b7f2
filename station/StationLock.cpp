#include "station/StationLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

// The file's record: the process id on the first line, the problem on the second, padded with
// spaces to a fixed size written once, so that later notes need no room the disk may not have.
constexpr std::size_t kRecordSize = 1024;

std::string ReadRecord(int fd) {
  char buffer[kRecordSize];
  const ssize_t got = ::pread(fd, buffer, sizeof buffer, 0);
  return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}

StationLockHolder ParseRecord(const std::string& record) {
  StationLockHolder holder;
  const std::size_t firstEnd = record.find('\n');
  const std::string first = record.substr(0, firstEnd);
  if (!first.empty() && first.find_first_not_of("0123456789") == std::string::npos &&
      first.size() < 12) {
    holder.pid = std::stol(first);
  }
  if (firstEnd != std::string::npos) {
    const std::size_t secondEnd = record.find('\n', firstEnd + 1);
    if (secondEnd != std::string::npos)
      holder.problem = record.substr(firstEnd + 1, secondEnd - firstEnd - 1);
  }
  return holder;
}

}  // namespace

StationBusyError::StationBusyError(const std::string& station, long holder)
    : std::runtime_error(
          "station '" + station + "' runs already" +
          (holder > 0 ? " (process " + std::to_string(holder) + ")" : std::string()) +
          "; stop that service first (systemctl --user stop velmorante-station@" + station + ")"),
      pid(holder) {}

std::string StationLock::PathFor(const std::string& archivePath, const std::string& station) {
  return archivePath + "." + station + ".station-lock";
}

StationLock::StationLock(const std::string& archivePath, const std::string& station) {
  const std::string path = PathFor(archivePath, station);
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd_ < 0) {
    throw std::runtime_error("cannot create the station's lock file " + path + ": " +
                             std::strerror(errno));
  }
  // `station status` takes the lock shared for a moment to look: a few tries get past it.
  int error = 0;
  for (int attempt = 0; attempt < 20; ++attempt) {
    error = ::flock(fd_, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
    if (error != EWOULDBLOCK) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (error != 0) {
    const long holder = ParseRecord(ReadRecord(fd_)).pid;
    ::close(fd_);
    fd_ = -1;
    if (error == EWOULDBLOCK) throw StationBusyError(station, holder);
    throw std::runtime_error("cannot lock " + path + ": " + std::strerror(error));
  }
  Write("");
}

StationLock::~StationLock() {
  if (fd_ >= 0) ::close(fd_);  // also releases the lock
}

void StationLock::Write(const std::string& problem) {
  std::string record = std::to_string(static_cast<long>(::getpid())) + '\n';
  std::string line = problem.substr(0, kRecordSize - record.size() - 2);
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  record += line + '\n';
  record.resize(kRecordSize, ' ');
  // Written whole at the start, over the record before: the size never changes after the first.
  const char* data = record.data();
  std::size_t left = record.size();
  off_t offset = 0;
  while (left > 0) {
    const ssize_t written = ::pwrite(fd_, data, left, offset);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    data += written;
    left -= static_cast<std::size_t>(written);
    offset += written;
  }
}

void StationLock::NoteProblem(const std::string& problem) {
  if (fd_ >= 0) Write(problem);
}

std::optional<StationLockHolder> StationLock::Holder(const std::string& archivePath,
                                                     const std::string& station) {
  const int fd = ::open(PathFor(archivePath, station).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  std::optional<StationLockHolder> holder;
  if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
    ::flock(fd, LOCK_UN);
  } else if (errno == EWOULDBLOCK) {
    holder = ParseRecord(ReadRecord(fd));
  }
  ::close(fd);
  return holder;
}
