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

// The descriptor of this process that `path` names (/dev/stdout, /dev/stderr, /dev/fd/N,
// /proc/self/fd/N); -1 for any other path.
int NamedDescriptor(const std::string& path) {
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  for (const char* folder : {"/dev/fd/", "/proc/self/fd/"}) {
    const std::string prefix = folder;
    if (path.compare(0, prefix.size(), prefix) != 0 || path.size() == prefix.size() ||
        path.size() > prefix.size() + 6)
      continue;
    int fd = 0;
    for (std::size_t i = prefix.size(); i < path.size(); ++i) {
      if (path[i] < '0' || path[i] > '9') return -1;
      fd = 10 * fd + (path[i] - '0');
    }
    return fd;
  }
  return -1;
}

// Writes every piece to `fd` as it comes; the errno of the first failed write, 0 when all went.
int StreamTo(int fd, const std::function<void(const WritePiece&)>& produce) {
  int error = 0;
  produce([&](std::string_view piece) {
    while (error == 0 && !piece.empty()) {
      const ssize_t n = ::write(fd, piece.data(), piece.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error = n < 0 ? errno : EIO;
      } else {
        piece.remove_prefix(static_cast<std::size_t>(n));
      }
    }
  });
  return error;
}

// Streams to `path` when it names an open descriptor, a character device (a terminal, /dev/null)
// or a FIFO: such a target takes a program's output as it comes and cannot be replaced by a file.
// False, having written nothing, for any other target.
bool StreamedToDevice(const std::string& path,
                      const std::function<void(const WritePiece&)>& produce) {
  const int named = NamedDescriptor(path);
  struct stat info {};
  const bool device =
      ::stat(path.c_str(), &info) == 0 && (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode));
  if (named < 0 && !device) return false;
  // The descriptor may lead to the archive itself (`> descargas.sqlite`): never written.
  if (IsDatabaseFile(path)) throw DatabaseTargetError(DatabaseTargetText(path));
  int error = 0;
  if (named >= 0) {
    error = StreamTo(named, produce);
  } else {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) Fail(_("cannot write '%s': %s"), path, errno);
    error = StreamTo(fd, produce);
    if (::close(fd) != 0 && error == 0) error = errno;
  }
  if (error != 0) Fail(_("cannot write '%s': %s"), path, error);
  return true;
}

}  // namespace

std::string DatabaseTargetText(const std::string& path) {
  return cli::Format(_("refusing to write '%s': it is a database (the download archive or one of "
                       "its side files); nothing was written"),
                     path);
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  WriteFileAtomically(path, [content](const WritePiece& write) { write(content); });
}

void WriteFileAtomically(const std::string& path,
                         const std::function<void(const WritePiece&)>& produce) {
  if (StreamedToDevice(path, produce)) return;
  const WriteResult result = WriteWholeFile(path, produce);
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
  // A regular file's size is known: one allocation instead of doubling steps, each of which holds
  // the old copy and the new one at once.
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
      static_cast<std::size_t>(info.st_size) <= limit)
    text.reserve(static_cast<std::size_t>(info.st_size));
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
