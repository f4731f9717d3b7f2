#include "cli/AtomicFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "cli/Translate.h"

namespace {

// `pattern` takes the path and the system's reason.
[[noreturn]] void Fail(const char* pattern, const std::string& path, int error) {
  throw FileError(cli::Format(pattern, path, std::strerror(error)));
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view content) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) Fail(_("cannot write '%s': %s"), path, errno);
  // mkstemp makes the file private; a saved table is an ordinary document, and a file it replaces
  // keeps its permissions.
  struct stat existing {};
  fchmod(fd, ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644);
  const char* at = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, at, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      ::close(fd);
      ::unlink(temp.c_str());
      Fail(_("cannot write '%s': %s"), path, error);
    }
    at += n;
    left -= static_cast<std::size_t>(n);
  }
  // The descriptor is closed whether or not the data reached the disk.
  const int syncError = ::fsync(fd) != 0 ? errno : 0;
  const int closeError = ::close(fd) != 0 ? errno : 0;
  if (syncError != 0 || closeError != 0) {
    ::unlink(temp.c_str());
    Fail(_("cannot write '%s': %s"), path, syncError != 0 ? syncError : closeError);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    Fail(_("cannot write '%s': %s"), path, error);
  }
}

std::string ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail(_("cannot read '%s': %s"), path, errno);
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {  // a directory answers EISDIR here
      const int error = errno;
      ::close(fd);
      Fail(_("cannot read '%s': %s"), path, error);
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}
