#include "data/FileHead.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace {

// The few entry points of an SQLite library already loaded in this process (linked, or loaded by
// a module), found without linking it: a program that never loads SQLite needs no SQLite.
struct LoadedSqlite {
  decltype(&sqlite3_initialize) initialize = nullptr;
  decltype(&sqlite3_vfs_find) vfsFind = nullptr;
};

bool FindLoadedSqlite(LoadedSqlite& sqlite) {
  void* library = ::dlopen("libsqlite3.so.0", RTLD_LAZY | RTLD_NOLOAD);
  if (!library) return false;
  sqlite.initialize =
      reinterpret_cast<decltype(&sqlite3_initialize)>(::dlsym(library, "sqlite3_initialize"));
  sqlite.vfsFind =
      reinterpret_cast<decltype(&sqlite3_vfs_find)>(::dlsym(library, "sqlite3_vfs_find"));
  ::dlclose(library);  // RTLD_NOLOAD took a reference of its own; the library stays loaded
  return sqlite.initialize && sqlite.vfsFind;
}

bool ReadThroughSqlite(const LoadedSqlite& sqlite, const std::string& path, unsigned char* buffer,
                       std::size_t size, FileHead& head) {
  if (sqlite.initialize() != SQLITE_OK) return false;
  sqlite3_vfs* vfs = sqlite.vfsFind(nullptr);
  if (!vfs) return false;
  auto storage = std::make_unique<unsigned char[]>(static_cast<std::size_t>(vfs->szOsFile));
  auto* file = reinterpret_cast<sqlite3_file*>(storage.get());
  int outFlags = 0;
  if (vfs->xOpen(vfs, path.c_str(), file, SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB, &outFlags) !=
      SQLITE_OK) {
    if (errno == 0) errno = EACCES;
    // A failed open leaves nothing to close, unless the layer set its methods anyway.
    if (file->pMethods) file->pMethods->xClose(file);
    return false;
  }
  sqlite3_int64 fileSize = 0;
  bool ok = file->pMethods->xFileSize(file, &fileSize) == SQLITE_OK;
  if (ok) {
    head.fileSize = fileSize;
    head.read = static_cast<std::size_t>(
        std::min<sqlite3_int64>(fileSize, static_cast<sqlite3_int64>(size)));
    ok = head.read == 0 ||
         file->pMethods->xRead(file, buffer, static_cast<int>(head.read), 0) == SQLITE_OK;
    if (!ok) errno = EIO;
  }
  file->pMethods->xClose(file);  // kept open underneath while this process holds locks on it
  return ok;
}

bool ReadPlainly(const std::string& path, unsigned char* buffer, std::size_t size, FileHead& head) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return false;
  }
  const ssize_t got = ::pread(fd, buffer, size, 0);
  const int error = errno;
  ::close(fd);
  if (got < 0) {
    errno = error;
    return false;
  }
  head.read = static_cast<std::size_t>(got);
  head.fileSize = info.st_size;
  return true;
}

}  // namespace

bool ReadFileHead(const std::string& path, unsigned char* buffer, std::size_t size,
                  FileHead& head) {
  head = FileHead{};
  // Only regular files: opening a FIFO through SQLite's layer would wait for a writer.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  if (!S_ISREG(info.st_mode)) return ReadPlainly(path, buffer, size, head);
  LoadedSqlite sqlite;
  if (FindLoadedSqlite(sqlite)) return ReadThroughSqlite(sqlite, path, buffer, size, head);
  return ReadPlainly(path, buffer, size, head);
}
