#include "archive/ArchiveFileCheck.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "data/FileHead.h"

namespace {

constexpr std::size_t kHeaderSize = 100;
constexpr char kMagic[] = "SQLite format 3";  // 16 bytes with its terminating NUL

std::uint32_t BigEndian(const unsigned char* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
  return value;
}

bool WalHoldsFrames(const std::string& path) {
  struct stat wal {};
  return ::stat((path + "-wal").c_str(), &wal) == 0 && wal.st_size > 0;
}

}  // namespace

std::optional<ArchiveError> CheckArchiveFile(const std::string& path) {
  using Kind = ArchiveError::Kind;
  // A central archive on a server is filled only by pushes and read by the read commands; it is
  // never opened as a file (which would make a folder named after the URL).
  if (path.rfind("postgresql://", 0) == 0 || path.rfind("postgres://", 0) == 0) {
    return ArchiveError(Kind::kCannotWrite,
                        "the central archive takes downloads only from a station's archive "
                        "(velmorante-cli sync); keep this one in an archive file");
  }
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return std::nullopt;
    return ArchiveError(Kind::kCannotOpen, path + ": " + std::strerror(errno));
  }
  if (!S_ISREG(info.st_mode)) return ArchiveError(Kind::kCannotOpen, path + ": not a regular file");
  if (info.st_size == 0) return std::nullopt;  // a new, empty archive

  // Read through SQLite's file layer: this process may already hold connections to the archive
  // (a station's threads, a window), and a descriptor of our own closed here would drop their
  // locks.
  unsigned char header[kHeaderSize] = {};
  FileHead head;
  if (!ReadFileHead(path, header, kHeaderSize, head)) {
    return ArchiveError(Kind::kCannotOpen, path + ": " + std::strerror(errno));
  }
  if (head.read != kHeaderSize || std::memcmp(header, kMagic, 16) != 0) {
    return ArchiveError(Kind::kNotAnArchive, path + ": not a download archive");
  }
  std::uint32_t pageSize = BigEndian(header + 16, 2);
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) {
    return ArchiveError(Kind::kDamaged, path + ": damaged header");
  }
  // The page count in the header is trusted only when the header says it is current.
  const std::uint32_t changeCounter = BigEndian(header + 24, 4);
  const std::uint32_t pageCount = BigEndian(header + 28, 4);
  const std::uint32_t validFor = BigEndian(header + 92, 4);
  // With frames waiting in the write-ahead log a checkpoint may have been cut short; SQLite
  // finishes it from the log, so the length is only judged on a file whose log is empty.
  if (WalHoldsFrames(path)) return std::nullopt;
  const auto size = static_cast<std::uint64_t>(head.fileSize);
  const bool cut =
      size % pageSize != 0 || (pageCount != 0 && changeCounter == validFor &&
                               size < static_cast<std::uint64_t>(pageCount) * pageSize);
  if (cut) {
    return ArchiveError(Kind::kDamaged, path + ": truncated (" + std::to_string(size) +
                                            " bytes, the header announces " +
                                            std::to_string(std::uint64_t{pageCount} * pageSize) +
                                            ")");
  }
  return std::nullopt;
}
