// Opening the archive file that the download and station stores share: identified by reading it
// first, migrated when opened for writing, and checked by SQLite before every write.
#include "archive/ArchiveFile.h"

#include <sqlite3.h>

#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <system_error>

#include "archive/ArchiveFileCheck.h"
#include "archive/ArchiveSchema.h"

namespace {

// Long enough for another program's write (a few milliseconds) and a checkpoint.
constexpr int kBusyTimeoutMs = 10000;

// "file:" and the absolute path with the characters a URI reserves escaped.
std::string FileUri(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const unsigned char c : std::filesystem::absolute(path).string()) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0x0f];
    }
  }
  return uri;
}

void MakeFolderFor(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) return;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    throw ArchiveError(ArchiveError::Kind::kCannotOpen,
                       "cannot make the folder " + folder.string() + ": " + error.message());
  }
}

}  // namespace

ArchiveFile::ArchiveFile(const std::string& path, ArchiveAccess access) : path_(path) {
  if (std::optional<ArchiveError> problem = CheckArchiveFile(path)) throw *problem;
  struct stat info {};
  const bool holdsData = ::stat(path.c_str(), &info) == 0 && info.st_size > 0;
  if (holdsData) {
    OpenExisting(access);
  } else if (access == ArchiveAccess::kReadOnly) {
    readOnly_ = true;
    // Nothing to read, and reading never creates a file: an archive without records.
    if (!std::filesystem::exists(path)) {
      throw ArchiveError(ArchiveError::Kind::kCannotOpen, path + ": no archive there");
    }
    empty_ = true;
  } else {
    OpenForWriting();
  }
}

ArchiveIdentity ArchiveFile::OpenToRead() {
  connection_.Open(path_, SQLITE_OPEN_READONLY);
  sqlite3_busy_timeout(connection_.handle(), kBusyTimeoutMs);
  try {
    return IdentifyArchive(connection_);
  } catch (const ArchiveError& error) {
    // A database in write-ahead-log mode is read with a shared-memory file beside it. Where that
    // file cannot be made (a read-only folder, a full disk) and no log waits to be applied, the
    // file alone is the whole database: it is read as a file that nothing changes.
    if (error.FileIsUnusable() || std::filesystem::exists(path_ + "-wal")) throw;
    connection_.Open(FileUri(path_) + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
    return IdentifyArchive(connection_);
  }
}

void ArchiveFile::OpenExisting(ArchiveAccess access) {
  // Read first, so that nothing (not even the journal mode) changes in a file that turns out not to
  // be an archive of a version this program knows.
  const ArchiveIdentity identity = OpenToRead();
  ThrowUnlessUsable(identity);
  if (access == ArchiveAccess::kReadOnly) {
    readOnly_ = true;
    schemaVersion_ = identity.version;
    if (identity.kind == ArchiveIdentity::Kind::kEmpty) {
      empty_ = true;
      connection_.Close();
      return;
    }
    return;
  }
  connection_.Close();
  OpenForWriting();
}

void ArchiveFile::ThrowUnlessUsable(const ArchiveIdentity& identity) const {
  if (identity.kind == ArchiveIdentity::Kind::kForeign) {
    throw ArchiveError(ArchiveError::Kind::kNotAnArchive,
                       path_ + ": a database with other tables, not a download archive");
  }
  if (identity.version > kArchiveSchemaVersion) {
    throw ArchiveError(ArchiveError::Kind::kNewerVersion,
                       path_ + ": written by a newer program (archive version " +
                           std::to_string(identity.version) + ", this program knows up to " +
                           std::to_string(kArchiveSchemaVersion) + ")");
  }
}

void ArchiveFile::OpenForWriting() {
  MakeFolderFor(path_);
  connection_.Open(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  sqlite3_busy_timeout(connection_.handle(), kBusyTimeoutMs);
  // Again on this connection: another program may have written the file in the meantime.
  const ArchiveIdentity identity = IdentifyArchive(connection_);
  ThrowUnlessUsable(identity);
  const bool upToDate = identity.kind == ArchiveIdentity::Kind::kArchive && identity.marked &&
                        identity.version == kArchiveSchemaVersion;
  schemaVersion_ = identity.version;
  if (!connection_.IsReadOnly()) {
    connection_.Execute("PRAGMA journal_mode = WAL");
    connection_.Execute("PRAGMA synchronous = FULL");
    if (!upToDate) MigrateArchive(connection_);
    schemaVersion_ = kArchiveSchemaVersion;
  } else if (identity.kind != ArchiveIdentity::Kind::kArchive) {
    throw ArchiveError(ArchiveError::Kind::kCannotWrite, path_ + ": read-only and not yet set up");
  } else if (identity.version < kArchiveSchemaVersion) {
    // A file that cannot be written cannot be migrated either: it is read as it is.
    readOnly_ = true;
  }
  connection_.Execute("PRAGMA foreign_keys = ON");
  if (!readOnly_) quickCheck_ = SqliteStatement(connection_, "PRAGMA quick_check(20)");
}

void ArchiveFile::ThrowIfReadOnly() const {
  if (readOnly_) {
    throw ArchiveError(ArchiveError::Kind::kCannotWrite, path_ + ": opened for reading only");
  }
}

void ArchiveFile::CheckBeforeWriting() {
  // SQLite's own check of every page and index; a write into a damaged file could spread the
  // damage over what is still whole.
  SqliteStatement::Use use(quickCheck_);
  std::string problems;
  while (quickCheck_.Step()) {
    const std::string row = quickCheck_.Text(0);
    if (row == "ok") continue;
    problems += (problems.empty() ? "" : "; ") + row;
  }
  if (!problems.empty()) {
    throw ArchiveError(ArchiveError::Kind::kDamaged, path_ + ": damaged (" + problems + ")");
  }
}
