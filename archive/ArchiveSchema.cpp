#include "archive/ArchiveSchema.h"

#include <sqlite3.h>
#include <sys/stat.h>

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
    // Alarms. A station's rule gives per channel the alarm limits and the optional warning limits,
    // with one delay and one hysteresis; an unset limit is NULL. An alarm is an excursion or a
    // condition (silent logger, battery, memory, failed downloads, clock drift, gap) that was
    // raised; `rule` is the JSON of the rule in force when it was raised. `live` marks an alarm
    // found from status replies that the record has not yet confirmed. Every raise, clear and
    // acknowledgement is an event; each event is delivered by each of the station's channels, and
    // a delivery keeps its attempts until it succeeds.
    R"sql(
CREATE TABLE alarm_rules (
  station TEXT PRIMARY KEY,
  t_low REAL,
  t_high REAL,
  rh_low REAL,
  rh_high REAL,
  t_warn_low REAL,
  t_warn_high REAL,
  rh_warn_low REAL,
  rh_warn_high REAL,
  delay_minutes REAL NOT NULL DEFAULT 0 CHECK (delay_minutes >= 0),
  hysteresis REAL NOT NULL DEFAULT 0 CHECK (hysteresis >= 0),
  changed_at TEXT NOT NULL
);
CREATE TABLE alarms (
  id INTEGER PRIMARY KEY,
  station TEXT NOT NULL,
  kind TEXT NOT NULL CHECK (kind IN ('t_high', 't_low', 'rh_high', 'rh_low', 'silent',
    'battery', 'memory', 'download_failed', 'clock_drift', 'gap')),
  level TEXT NOT NULL CHECK (level IN ('warning', 'alarm')),
  limit_value REAL,
  started_at TEXT NOT NULL,
  ended_at TEXT,
  samples INTEGER,
  minutes REAL,
  peak REAL,
  rule TEXT NOT NULL DEFAULT '{}',
  live INTEGER NOT NULL DEFAULT 0,
  raised_at TEXT NOT NULL,
  ack_by TEXT,
  ack_at TEXT,
  ack_comment TEXT
);
CREATE UNIQUE INDEX alarms_identity ON alarms(station, kind, level, started_at);
CREATE INDEX alarms_open ON alarms(station, ended_at);
CREATE TABLE alarm_events (
  id INTEGER PRIMARY KEY,
  alarm_id INTEGER NOT NULL REFERENCES alarms(id),
  event TEXT NOT NULL CHECK (event IN ('raised', 'cleared', 'acknowledged')),
  at TEXT NOT NULL,
  payload TEXT NOT NULL
);
CREATE TABLE deliveries (
  id INTEGER PRIMARY KEY,
  event_id INTEGER NOT NULL REFERENCES alarm_events(id),
  channel TEXT NOT NULL CHECK (channel IN ('command', 'mail')),
  attempts INTEGER NOT NULL DEFAULT 0,
  next_attempt_at TEXT NOT NULL,
  delivered_at TEXT,
  last_error TEXT NOT NULL DEFAULT '',
  UNIQUE (event_id, channel)
);
CREATE INDEX deliveries_waiting ON deliveries(delivered_at, next_attempt_at);
CREATE TABLE station_notify (
  station TEXT PRIMARY KEY,
  command TEXT NOT NULL DEFAULT '',
  smtp_url TEXT NOT NULL DEFAULT '',
  smtp_user TEXT NOT NULL DEFAULT '',
  smtp_password_file TEXT NOT NULL DEFAULT '',
  smtp_password_env TEXT NOT NULL DEFAULT '',
  mail_from TEXT NOT NULL DEFAULT '',
  mail_to TEXT NOT NULL DEFAULT ''
);
)sql",
    // The audit trail, calibrations and signatures. Audit entries are appended only; each holds
    // the SHA-256 of its own content and the entry hash of the one before, so that a changed,
    // removed or inserted entry breaks the chain. A calibration applies to a station's samples
    // from `applies_from`; a later one replaces it from its own date. A signature names what it
    // signs and the SHA-256 of those data. A download keeps the computer's time zone.
    R"sql(
CREATE TABLE audit_entries (
  id INTEGER PRIMARY KEY,
  at_utc TEXT NOT NULL,
  utc_offset TEXT NOT NULL,
  user TEXT NOT NULL,
  host TEXT NOT NULL,
  program TEXT NOT NULL,
  version TEXT NOT NULL,
  action TEXT NOT NULL CHECK (action IN ('download', 'set_clock', 'set_rate', 'station_add',
    'station_change', 'station_remove', 'rules_change', 'calibration_change', 'alarm_ack',
    'export', 'report', 'sign', 'sign_failed')),
  station TEXT,
  object TEXT NOT NULL,
  old_value TEXT,
  new_value TEXT,
  reason TEXT NOT NULL DEFAULT '',
  content_sha256 TEXT NOT NULL CHECK (length(content_sha256) = 64),
  previous_sha256 TEXT NOT NULL CHECK (length(previous_sha256) = 64),
  entry_sha256 TEXT NOT NULL CHECK (length(entry_sha256) = 64)
);
CREATE TRIGGER audit_entry_never_changes BEFORE UPDATE ON audit_entries
BEGIN SELECT RAISE(ABORT, 'an audit entry never changes'); END;
CREATE TRIGGER audit_entry_never_removed BEFORE DELETE ON audit_entries
BEGIN SELECT RAISE(ABORT, 'an audit entry is never removed'); END;
CREATE TABLE calibrations (
  id INTEGER PRIMARY KEY,
  station TEXT NOT NULL,
  t_offset REAL NOT NULL DEFAULT 0,
  t_gain REAL NOT NULL DEFAULT 1,
  rh_offset REAL NOT NULL DEFAULT 0,
  rh_gain REAL NOT NULL DEFAULT 1,
  certificate TEXT NOT NULL,
  laboratory TEXT NOT NULL DEFAULT '',
  certificate_date TEXT NOT NULL,
  applies_from TEXT NOT NULL,
  due TEXT NOT NULL,
  set_at TEXT NOT NULL
);
CREATE INDEX calibrations_by_station ON calibrations(station, applies_from);
CREATE TABLE signatures (
  id INTEGER PRIMARY KEY,
  audit_id INTEGER NOT NULL REFERENCES audit_entries(id),
  download_id INTEGER REFERENCES downloads(id),
  station TEXT,
  period_from TEXT,
  period_to TEXT,
  meaning TEXT NOT NULL CHECK (meaning IN ('revisado', 'aprobado')),
  signer TEXT NOT NULL,
  signed_at TEXT NOT NULL,
  data_sha256 TEXT NOT NULL CHECK (length(data_sha256) = 64)
);
CREATE TRIGGER signature_never_changes BEFORE UPDATE ON signatures
BEGIN SELECT RAISE(ABORT, 'a signature never changes'); END;
CREATE TRIGGER signature_never_removed BEFORE DELETE ON signatures
BEGIN SELECT RAISE(ABORT, 'a signature is never removed'); END;
ALTER TABLE downloads ADD COLUMN time_zone TEXT;
)sql",
    // Pushing to a central archive: the archive's own identity (random, made once), how far each
    // kind of row has been pushed to each central archive (rows are numbered in the order they
    // were kept), and the central archive a station pushes to.
    R"sql(
CREATE TABLE archive_identity (
  id TEXT NOT NULL CHECK (length(id) = 32)
);
INSERT INTO archive_identity (id) VALUES (lower(hex(randomblob(16))));
CREATE TRIGGER archive_identity_never_changes BEFORE UPDATE ON archive_identity
BEGIN SELECT RAISE(ABORT, 'an archive identity never changes'); END;
CREATE TABLE central_pushes (
  target TEXT NOT NULL,
  kind TEXT NOT NULL,
  last_id INTEGER NOT NULL,
  pushed_at TEXT NOT NULL,
  PRIMARY KEY (target, kind)
);
CREATE TABLE station_central (
  station TEXT PRIMARY KEY,
  url TEXT NOT NULL
);
)sql",
    // A copied or restored archive takes a new identity for the rows it keeps after the copy, so
    // that no two files push different rows under one global identity. The identity is bound to
    // the file it was made in (its device and inode); a renewal keeps, per kind of row, the last
    // row that still carries the identity before it.
    R"sql(
CREATE TABLE archive_file (
  device INTEGER NOT NULL,
  inode INTEGER NOT NULL
);
CREATE TABLE archive_renewals (
  seq INTEGER PRIMARY KEY,
  id TEXT NOT NULL UNIQUE CHECK (length(id) = 32),
  renewed_at TEXT NOT NULL,
  calibrations INTEGER NOT NULL,
  downloads INTEGER NOT NULL,
  alarms INTEGER NOT NULL,
  alarm_events INTEGER NOT NULL,
  audit_entries INTEGER NOT NULL
);
CREATE TRIGGER archive_renewal_never_changes BEFORE UPDATE ON archive_renewals
BEGIN SELECT RAISE(ABORT, 'an archive identity never changes'); END;
CREATE TRIGGER archive_renewal_never_removed BEFORE DELETE ON archive_renewals
BEGIN SELECT RAISE(ABORT, 'an archive identity is never removed'); END;
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

std::optional<ArchiveFileStamp> ArchiveFileStampOf(SqliteConnection& connection) {
  // The file SQLite has open, by its name: stat only looks, it opens nothing, so SQLite's locks
  // on the file stay as they are.
  const char* name = sqlite3_db_filename(connection.handle(), "main");
  struct stat status {};
  if (name == nullptr || *name == '\0' || stat(name, &status) != 0) return std::nullopt;
  return ArchiveFileStamp{static_cast<std::int64_t>(status.st_dev),
                          static_cast<std::int64_t>(status.st_ino)};
}

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
  const std::int64_t otherTables =
      Single(connection,
             "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name NOT IN"
             " ('downloads', 'download_texts', 'saved_files', 'stations', 'station_events',"
             " 'station_status', 'alarm_rules', 'alarms', 'alarm_events', 'deliveries',"
             " 'station_notify', 'audit_entries', 'calibrations', 'signatures', 'archive_identity',"
             " 'central_pushes', 'station_central', 'archive_file', 'archive_renewals')"
             " AND name NOT LIKE 'sqlite!_%' ESCAPE '!'");
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
  // The identity belongs to the file it is made in, or, for an older archive, to the file it is
  // in when it learns of files.
  if (identity.version < 7) {
    if (const std::optional<ArchiveFileStamp> stamp = ArchiveFileStampOf(connection)) {
      SqliteStatement bind(connection, "INSERT INTO archive_file (device, inode) VALUES (?, ?)");
      SqliteStatement::Use use(bind);
      bind.Bind(1, stamp->device);
      bind.Bind(2, stamp->inode);
      bind.Step();
    }
  }
  connection.Execute(("PRAGMA user_version = " + std::to_string(kArchiveSchemaVersion)).c_str());
  connection.Execute(("PRAGMA application_id = " + std::to_string(kArchiveApplicationId)).c_str());
  transaction.Commit();
}
