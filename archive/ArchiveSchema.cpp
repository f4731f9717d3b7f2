#include "archive/ArchiveSchema.h"

#include <string>

#include "archive/Sqlite.h"

namespace {

// Step i brings version i to version i + 1. A released step never changes: add a new one.
// The raw text sits in a table of its own so that listing never reads through it; the raw text
// and its checksum can never be changed or removed once written.
const char* const kSteps[kArchiveSchemaVersion] = {
    R"sql(
CREATE TABLE downloads (
  id INTEGER PRIMARY KEY,
  received_at TEXT NOT NULL,
  port TEXT NOT NULL,
  program TEXT NOT NULL,
  kind TEXT NOT NULL CHECK (kind IN ('normal', 'full')),
  reason TEXT NOT NULL,
  sha256 TEXT NOT NULL CHECK (length(sha256) = 64),
  size INTEGER NOT NULL,
  start_date TEXT NOT NULL,
  start_time TEXT NOT NULL,
  rate TEXT NOT NULL,
  samples INTEGER NOT NULL,
  decode_error TEXT NOT NULL
);
CREATE TABLE download_texts (
  download_id INTEGER PRIMARY KEY REFERENCES downloads(id),
  raw BLOB NOT NULL
);
CREATE TABLE saved_files (
  id INTEGER PRIMARY KEY,
  download_id INTEGER NOT NULL REFERENCES downloads(id),
  path TEXT NOT NULL,
  saved_at TEXT NOT NULL
);
CREATE INDEX saved_files_by_download ON saved_files(download_id);
CREATE TRIGGER raw_text_never_changes BEFORE UPDATE ON download_texts
BEGIN SELECT RAISE(ABORT, 'an archived download text never changes'); END;
CREATE TRIGGER raw_text_never_removed BEFORE DELETE ON download_texts
BEGIN SELECT RAISE(ABORT, 'an archived download text is never removed'); END;
CREATE TRIGGER checksum_never_changes BEFORE UPDATE OF sha256, size ON downloads
BEGIN SELECT RAISE(ABORT, 'an archived checksum never changes'); END;
CREATE TRIGGER download_never_removed BEFORE DELETE ON downloads
BEGIN SELECT RAISE(ABORT, 'an archived download is never removed'); END;
)sql",
};

}  // namespace

int ArchiveVersion(SqliteConnection& connection) {
  // Reading the schema makes SQLite look at the file: a file that is no database fails here.
  SqliteStatement schema(connection, "SELECT count(*) FROM sqlite_schema");
  {
    SqliteStatement::Use use(schema);
    schema.Step();
  }
  SqliteStatement version(connection, "PRAGMA user_version");
  SqliteStatement::Use use(version);
  version.Step();
  return static_cast<int>(version.Integer(0));
}

void MigrateArchive(SqliteConnection& connection) {
  SqliteWriteTransaction transaction(connection);
  // Read again inside the transaction: another program may have migrated in the meantime.
  const int version = ArchiveVersion(connection);
  if (version >= kArchiveSchemaVersion) return;
  for (int step = version; step < kArchiveSchemaVersion; ++step) connection.Execute(kSteps[step]);
  connection.Execute(("PRAGMA user_version = " + std::to_string(kArchiveSchemaVersion)).c_str());
  transaction.Commit();
}
