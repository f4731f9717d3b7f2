// One opened archive file, shared by the stores that keep their tables in it: the file is
// identified by reading it first, brought up to date when opened for writing, opened read-only
// without ever being changed, and checked by SQLite before every write.
#pragma once

#include <string>

#include "archive/Sqlite.h"

// How an archive is opened: for reading only (a missing file is not created, nothing is written,
// and a read-only file, folder or full disk does not matter), or for archiving.
enum class ArchiveAccess { kReadWrite, kReadOnly };

class ArchiveFile {
 public:
  // Opens the archive at `path`. For writing, a missing file (and its folder) is created and the
  // tables are brought up to date; an existing file is identified by reading it first. A file
  // that is not an archive (another program's database among them), is damaged, or was written by
  // a newer program is left exactly as it is. Throws ArchiveError.
  ArchiveFile(const std::string& path, ArchiveAccess access);
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;

  const std::string& path() const { return path_; }
  SqliteConnection& connection() { return connection_; }
  // Opened for reading (asked so, or a read-only file of an older version): takes no writes.
  bool readOnly() const { return readOnly_; }
  // Opened for reading, and the file holds no archive yet: there is nothing to read.
  bool empty() const { return empty_; }
  // Of the tables read: older than the present one only where the file was not migrated.
  int schemaVersion() const { return schemaVersion_; }

  // Throws ArchiveError (kCannotWrite) for an archive opened for reading.
  void ThrowIfReadOnly() const;
  // Throws ArchiveError (kDamaged) when SQLite finds the file's structure damaged. Run it inside
  // the write's transaction.
  void CheckBeforeWriting();

 private:
  struct ArchiveIdentity OpenToRead();
  void OpenExisting(ArchiveAccess access);
  void ThrowUnlessUsable(const struct ArchiveIdentity& identity) const;
  void OpenForWriting();

  std::string path_;
  SqliteConnection connection_;
  SqliteStatement quickCheck_;
  bool readOnly_ = false;
  bool empty_ = false;
  int schemaVersion_ = 0;
};
