// The archive's tables and the steps that bring a file of any earlier version to the present one.
// The version is SQLite's user_version: 0 for a new file, then the number of steps applied. An
// archive is marked with its own application id, so that another program's database is told apart
// and never set up as an archive.
#pragma once

#include <cstdint>
#include <optional>

class SqliteConnection;

constexpr int kArchiveSchemaVersion = 7;
// "VlmA": SQLite's application_id of a download archive.
constexpr std::int32_t kArchiveApplicationId = 0x566c6d41;

// What a database file holds, judged by reading it only.
struct ArchiveIdentity {
  enum class Kind {
    kEmpty,    // no tables at all: a new file that may become an archive
    kArchive,  // an archive, marked or from before archives were marked
    kForeign,  // another program's database: never written to
  };
  Kind kind = Kind::kEmpty;
  int version = 0;
  bool marked = false;  // carries the archive's application id
};

// The start and the rate of a version 1 record as kept since version 2, from its columns of display
// texts ("07/12/2026", "21:05:00", "CADA 5 MINUTOS"): the start as "2026-12-07T21:05:00" and the
// rate in minutes, NULL where the record has none. For reading an archive that is not migrated
// (opened read-only), in a query where the downloads table goes by "d".
const char* Version1StartOfD();
const char* Version1RateOfD();

// Reads the file's identity. Throws ArchiveError (kNotAnArchive or kDamaged when it cannot be
// read).
ArchiveIdentity IdentifyArchive(SqliteConnection& connection);
// Brings an empty file or an archive to the present version and marks it, in one transaction that
// identifies the file again first (another program may have changed it). Throws ArchiveError
// (kNotAnArchive for a foreign database, which is left as it is).
void MigrateArchive(SqliteConnection& connection);

// The file an archive connection has open, as the file system tells files apart: a copy or a
// restored backup is another file, a renamed or moved one (on the same file system) is not.
struct ArchiveFileStamp {
  std::int64_t device = 0;
  std::int64_t inode = 0;
  bool operator==(const ArchiveFileStamp&) const = default;
};
// Nothing for a database without a file (in memory) or a file that cannot be looked at.
std::optional<ArchiveFileStamp> ArchiveFileStampOf(SqliteConnection& connection);
