#include "archive/ArchiveSchema.h"

#include <string>

#include "archive/Sqlite.h"

namespace {

// Version 1 kept the start and the rate as the data window's texts; these expressions give the
// same values as version 2 keeps them. Every start text of version 1 is "DD/MM/20YY" and "HH:MM:SS"
// (the header's fields are two digits each) or empty; every rate text one of the six captions or
// empty. They are part of step 1 -> 2 below, which never changes once released.
// clang-format off
#define V1_START(t)                                                                 \
  "CASE WHEN length(" t "start_date) = 10 AND length(" t "start_time) = 8"          \
  " THEN substr(" t "start_date, 7, 4) || '-' || substr(" t "start_date, 4, 2)"     \
  " || '-' || substr(" t "start_date, 1, 2) || 'T' || " t "start_time END"
#define V1_RATE(t)                                                                  \
  "CASE " t "rate WHEN 'CADA 1 MINUTO' THEN 1 WHEN 'CADA 5 MINUTOS' THEN 5"         \
  " WHEN 'CADA 10 MINUTOS' THEN 10 WHEN 'CADA 15 MINUTOS' THEN 15"                  \
  " WHEN 'CADA 30 MINUTOS' THEN 30 WHEN 'CADA 60 MINUTOS' THEN 60 END"
// clang-format on

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
    // The start as local logger time in ISO 8601 without a zone and the rate in minutes, in place
    // of the display texts; NULL where the decoder found none.
    "ALTER TABLE downloads ADD COLUMN start TEXT CHECK (start GLOB"
    " '20[0-9][0-9]-[0-9][0-9]-[0-9][0-9]T[0-9][0-9]:[0-9][0-9]:[0-9][0-9]');"
    "ALTER TABLE downloads ADD COLUMN rate_minutes INTEGER"
    " CHECK (rate_minutes IN (1, 5, 10, 15, 30, 60));"
    "UPDATE downloads SET start = " V1_START("") ", rate_minutes = " V1_RATE("") ";"
    "ALTER TABLE downloads DROP COLUMN start_date;"
    "ALTER TABLE downloads DROP COLUMN start_time;"
    "ALTER TABLE downloads DROP COLUMN rate;",
    // Stations: a named place with a logger on a port, downloaded and reset unattended. A download
    // names the station that took it, with the logger's clock from the reply just before it (local
    // logger time, ISO 8601 without a zone) and its difference from the computer's local clock.
    // The station's events are its log; its status row is what the running station last saw.
    R"sql(
CREATE TABLE stations (
  name TEXT PRIMARY KEY CHECK (length(name) BETWEEN 1 AND 64),
  port TEXT NOT NULL CHECK (length(port) > 0),
  reset_at INTEGER NOT NULL CHECK (reset_at BETWEEN 1 AND 2000),
  download_every_s INTEGER NOT NULL CHECK (download_every_s >= 1),
  created_at TEXT NOT NULL
);
ALTER TABLE downloads ADD COLUMN station TEXT;
ALTER TABLE downloads ADD COLUMN logger_clock TEXT;
ALTER TABLE downloads ADD COLUMN clock_drift_s INTEGER;
CREATE INDEX downloads_by_station ON downloads(station, start);
CREATE TABLE station_events (
  id INTEGER PRIMARY KEY,
  station TEXT NOT NULL,
  at TEXT NOT NULL,
  kind TEXT NOT NULL,
  logger_clock TEXT,
  clock_drift_s INTEGER,
  detail TEXT NOT NULL DEFAULT ''
);
CREATE INDEX station_events_by_station ON station_events(station, id);
CREATE TABLE station_status (
  station TEXT PRIMARY KEY,
  updated_at TEXT NOT NULL,
  pid INTEGER,
  connected INTEGER NOT NULL,
  last_reply_at TEXT,
  logger_clock TEXT,
  clock_drift_s INTEGER,
  memory_used INTEGER,
  battery_percent REAL,
  rate_minutes INTEGER,
  recording_start TEXT,
  last_download_at TEXT,
  next_download_at TEXT,
  problem TEXT NOT NULL DEFAULT ''
);
)sql",
};

}  // namespace

namespace {

std::int64_t Single(SqliteConnection& connection, const char* sql) {
  SqliteStatement query(connection, sql);
  SqliteStatement::Use use(query);
  query.Step();
  return query.Integer(0);
}

}  // namespace

const char* Version1StartOfD() {
  return V1_START("d.");
}
const char* Version1RateOfD() {
  return V1_RATE("d.");
}

ArchiveIdentity IdentifyArchive(SqliteConnection& connection) {
  ArchiveIdentity identity;
  // Reading the schema makes SQLite look at the file: a file that is no database fails here.
  const std::int64_t objects = Single(connection, "SELECT count(*) FROM sqlite_schema");
  const std::int64_t archiveTables =
      Single(connection,
             "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN"
             " ('downloads', 'download_texts', 'saved_files')");
  const std::int64_t otherTables = Single(
      connection,
      "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name NOT IN"
      " ('downloads', 'download_texts', 'saved_files', 'stations', 'station_events',"
      " 'station_status') AND name NOT LIKE 'sqlite!_%' ESCAPE '!'");
  identity.version = static_cast<int>(Single(connection, "PRAGMA user_version"));
  identity.marked = Single(connection, "PRAGMA application_id") == kArchiveApplicationId;
  const bool otherId = !identity.marked && Single(connection, "PRAGMA application_id") != 0;
  if (identity.marked && identity.version >= 0) {
    identity.kind = ArchiveIdentity::Kind::kArchive;
  } else if (otherId) {
    identity.kind = ArchiveIdentity::Kind::kForeign;
  } else if (objects == 0 && identity.version == 0) {
    identity.kind = ArchiveIdentity::Kind::kEmpty;
  } else if (identity.version < 0) {
    // No archive ever had a negative version.
    identity.kind = ArchiveIdentity::Kind::kForeign;
  } else if (identity.version >= 1 && archiveTables == 3 && otherTables == 0) {
    // Written before archives carried their mark: the archive's own tables and version.
    identity.kind = ArchiveIdentity::Kind::kArchive;
  } else {
    identity.kind = ArchiveIdentity::Kind::kForeign;
  }
  return identity;
}

void MigrateArchive(SqliteConnection& connection) {
  SqliteWriteTransaction transaction(connection);
  const ArchiveIdentity identity = IdentifyArchive(connection);
  if (identity.kind == ArchiveIdentity::Kind::kForeign) {
    throw ArchiveError(ArchiveError::Kind::kNotAnArchive,
                       "the database holds other tables; it is not a download archive");
  }
  if (identity.version > kArchiveSchemaVersion) {
    throw ArchiveError(ArchiveError::Kind::kNewerVersion, "written by a newer program");
  }
  if (identity.marked && identity.version == kArchiveSchemaVersion) return;
  for (int step = identity.version; step < kArchiveSchemaVersion; ++step)
    connection.Execute(kSteps[step]);
  connection.Execute(("PRAGMA user_version = " + std::to_string(kArchiveSchemaVersion)).c_str());
  connection.Execute(("PRAGMA application_id = " + std::to_string(kArchiveApplicationId)).c_str());
  transaction.Commit();
}
