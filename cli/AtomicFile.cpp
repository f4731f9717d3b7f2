#include "cli/AtomicFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "cli/Translate.h"
#include "data/WholeFileWriter.h"

namespace {

// `pattern` takes the path and the system's reason.
[[noreturn]] void Fail(const char* pattern, const std::string& path, int error) {
  throw FileError(cli::Format(pattern, path, std::strerror(error)));
}

}  // namespace

std::string DatabaseTargetText(const std::string& path) {
  return cli::Format(_("refusing to write '%s': it is a database (the download archive or one of "
                       "its side files); nothing was written"),
                     path);
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  const WriteResult result = WriteWholeFile(path, content);
  if (result.ok()) return;
  if (result.failure == WriteFailure::kDatabase)
    throw DatabaseTargetError(DatabaseTargetText(path));
  if (result.failure == WriteFailure::kNotARegularFile) {
    throw FileError(
        cli::Format(result.error == EISDIR
                        ? _("cannot write '%s': it is a directory")
                        : _("cannot write '%s': not a regular file (a device, FIFO or socket)"),
                    path));
  }
  throw FileError(cli::Format(_("cannot write '%s': %s"), path, std::strerror(result.error)));
}

std::string ReadWholeFile(const std::string& path) {
  return ReadWholeFile(path, std::string::npos);
}

std::string ReadWholeFile(const std::string& path, std::size_t limit) {
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
    if (static_cast<std::size_t>(n) > limit - text.size()) {
      ::close(fd);
      throw FileTooLargeError(cli::Format(_("cannot read '%s': %s"), path, std::strerror(EFBIG)));
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}
