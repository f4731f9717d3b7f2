#include "data/WholeFileWriter.h"

#include "data/FileHead.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

// Links followed before giving up, as the system does for a path.
constexpr int kMaximumLinks = 40;

WriteResult Failed(WriteFailure failure, int error, const std::string& target) {
  return WriteResult{failure, error, target};
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

// Follows symbolic links from `path` to the file they finally name, which need not exist yet (a
// dangling link gives its target). False with `error` set for a loop or an unreadable link.
bool FollowLinks(const std::string& path, std::string& target, int& error) {
  target = path;
  for (int links = 0; links <= kMaximumLinks; ++links) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    std::vector<char> buffer(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
    const ssize_t length = ::readlink(target.c_str(), buffer.data(), buffer.size());
    if (length < 0) {
      error = errno;
      return false;
    }
    const std::string next(buffer.data(), static_cast<std::size_t>(length));
    target = !next.empty() && next[0] == '/' ? next : FolderOf(target) + next;
  }
  error = ELOOP;
  return false;
}

// Writes every byte to `fd`; the errno of a failed write, 0 when all went.
int WriteAll(int fd, std::string_view content) {
  const char* at = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, at, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    at += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

// The first bytes of an SQLite database file and of its write-ahead log (either byte order).
constexpr char kDatabaseMagic[] = "SQLite format 3";  // 16 bytes with the terminating NUL
constexpr unsigned char kLogMagic[2][4] = {{0x37, 0x7f, 0x06, 0x82}, {0x37, 0x7f, 0x06, 0x83}};
// Side files SQLite keeps beside a database while it is in use.
constexpr const char* kSideFileSuffixes[] = {"-wal", "-shm", "-journal"};

// True when the file at `path` begins like a database or a write-ahead log.
bool BeginsLikeDatabase(const std::string& path) {
  // Read without dropping the locks of this process's own connections to that database.
  unsigned char head[16] = {};
  FileHead read;
  if (!ReadFileHead(path, head, sizeof head, read)) return false;
  const std::size_t got = read.read;
  if (got >= 16 && std::memcmp(head, kDatabaseMagic, 16) == 0) return true;
  return got >= 4 &&
         (std::memcmp(head, kLogMagic[0], 4) == 0 || std::memcmp(head, kLogMagic[1], 4) == 0);
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool IsDatabaseFile(const std::string& path) {
  std::string target;
  int error = 0;
  if (!FollowLinks(path, target, error)) return false;
  // A side file is judged by its database, first: reading a -shm file itself would drop this
  // process's locks on it, which tell other processes that the shared memory is in use.
  for (const char* suffix : kSideFileSuffixes) {
    const std::size_t length = std::strlen(suffix);
    if (target.size() > length && target.compare(target.size() - length, length, suffix) == 0) {
      std::string database;
      const std::string base = target.substr(0, target.size() - length);
      if (FollowLinks(base, database, error) && IsRegularFile(database) &&
          BeginsLikeDatabase(database))
        return true;
      if (std::strcmp(suffix, "-shm") == 0) return false;
    }
  }
  return IsRegularFile(target) && BeginsLikeDatabase(target);
}

WriteResult WriteWholeFile(const std::string& path, std::string_view content) {
  return WriteWholeFile(path, [content](const WritePiece& write) { write(content); });
}

WriteResult WriteWholeFile(const std::string& path,
                           const std::function<void(const WritePiece&)>& produce) {
  // An empty name names no file; the temporary file would land in the working folder.
  if (path.empty()) return Failed(WriteFailure::kCreate, ENOENT, path);
  std::string target;
  int error = 0;
  if (!FollowLinks(path, target, error)) return Failed(WriteFailure::kResolveLink, error, path);

  // Only a regular file may be replaced: renaming over a device node, a FIFO or a folder would
  // remove something that is not a document.
  // A table written over the download archive would lose every download it keeps.
  if (IsDatabaseFile(target)) return Failed(WriteFailure::kDatabase, EEXIST, target);

  struct stat existing {};
  const bool replacing = ::stat(target.c_str(), &existing) == 0;
  if (replacing && !S_ISREG(existing.st_mode)) {
    return Failed(WriteFailure::kNotARegularFile, S_ISDIR(existing.st_mode) ? EISDIR : 0, target);
  }

  std::string temporary = target + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return Failed(WriteFailure::kCreate, errno, target);
  const auto abandon = [&](WriteFailure failure, int failedWith) {
    ::unlink(temporary.c_str());
    return Failed(failure, failedWith, target);
  };

  if (replacing) {
    // The owner first: a change of owner clears set-id bits, which the mode then puts back. Only a
    // privileged process may give a file away; otherwise the new file stays the writer's own, with
    // the old file's group where the writer belongs to it.
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0)
      (void)!::fchown(fd, -1, existing.st_gid);
    ::fchmod(fd, existing.st_mode & 07777);
  } else {
    // mkstemp makes the file private; a saved table is an ordinary document.
    ::fchmod(fd, 0644);
  }

  // After a failed write the later pieces are let go: the file is abandoned.
  int writeError = 0;
  try {
    produce([&](std::string_view piece) {
      if (writeError == 0) writeError = WriteAll(fd, piece);
    });
  } catch (...) {
    ::close(fd);
    ::unlink(temporary.c_str());
    throw;
  }
  if (writeError != 0) {
    ::close(fd);
    return abandon(WriteFailure::kWrite, writeError);
  }
  // Some file systems report a lack of space only when the data are flushed.
  const int syncError = ::fsync(fd) != 0 ? errno : 0;
  const int closeError = ::close(fd) != 0 ? errno : 0;
  if (syncError != 0 || closeError != 0)
    return abandon(WriteFailure::kWrite, syncError != 0 ? syncError : closeError);
  if (::rename(temporary.c_str(), target.c_str()) != 0)
    return abandon(WriteFailure::kReplace, errno);
  return WriteResult{WriteFailure::kNone, 0, target};
}
