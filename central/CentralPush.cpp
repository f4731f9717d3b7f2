// Pushing an archive file to the central archive: see CentralPush.h.
#include "central/CentralPush.h"

#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "archive/ArchiveFile.h"
#include "archive/Sqlite.h"
#include "central/CentralSchema.h"
#include "central/PgConnection.h"

namespace {

// How one kind of row goes from the archive file to the server: the file's query (the row's id
// first, then the columns that become the statement's parameters in order, after the mark and up
// to a count), the server's statement (after the columns, the source archive's identity and the
// row's id there, its global identity), and which column, if any, is a raw text sent as bytes.
struct KindPlan {
  const char* read;
  const char* insert;
  int columns = 0;  // read after the id
  int bytesColumn = -1;
};

KindPlan PlanOf(PushKind kind) {
  switch (kind) {
    case PushKind::kCalibrations:
      return {
          "SELECT id, station, t_offset, t_gain, rh_offset, rh_gain, certificate, laboratory,"
          " certificate_date, applies_from, due, set_at FROM calibrations"
          " WHERE id > ?1 ORDER BY id LIMIT ?2",
          "INSERT INTO calibrations (station, t_offset, t_gain, rh_offset, rh_gain, certificate,"
          " laboratory, certificate_date, applies_from, due, set_at, source, local_id)"
          " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13)"
          " ON CONFLICT DO NOTHING RETURNING id",
          11};
    case PushKind::kDownloads:
      return {
          "SELECT d.id, coalesce(d.station, ''), d.sha256, d.received_at, d.port, d.program,"
          " d.kind, d.reason, d.size, d.start, d.rate_minutes, d.samples, d.decode_error,"
          " d.logger_clock, d.clock_drift_s, d.time_zone, t.raw FROM downloads d"
          " LEFT JOIN download_texts t ON t.download_id = d.id"
          " WHERE d.id > ?1 ORDER BY d.id LIMIT ?2",
          "WITH d AS (INSERT INTO downloads (station, sha256, received_at, port, program, kind,"
          " reason, size, start, rate_minutes, samples, decode_error, logger_clock,"
          " clock_drift_s, time_zone, source, local_id) VALUES ($1, $2, $3, $4, $5, $6, $7, $8,"
          " $9, $10, $11, $12, $13, $14, $15, $17, $18) ON CONFLICT DO NOTHING RETURNING id)"
          " INSERT INTO download_texts (download_id, raw) SELECT id, $16::bytea FROM d"
          " RETURNING download_id",
          16, 16};
    case PushKind::kAlarms:
      return {
          "SELECT id, station, kind, level, limit_value, started_at, ended_at, samples,"
          " minutes, peak, rule, live, raised_at FROM alarms WHERE id > ?1 ORDER BY id"
          " LIMIT ?2",
          "INSERT INTO alarms (station, kind, level, limit_value, started_at, ended_at,"
          " samples, minutes, peak, rule, live, raised_at, source, local_id) VALUES ($1, $2,"
          " $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14) ON CONFLICT DO NOTHING"
          " RETURNING id",
          12};
    case PushKind::kAlarmEvents:
      // The event's alarm goes along (as it stands now) in case the server does not hold it.
      return {
          "SELECT e.id, a.station, a.kind, a.level, a.limit_value, a.started_at, a.ended_at,"
          " a.samples, a.minutes, a.peak, a.rule, a.live, a.raised_at, e.event, e.at,"
          " e.payload, a.id FROM alarm_events e JOIN alarms a ON a.id = e.alarm_id"
          " WHERE e.id > ?1 ORDER BY e.id LIMIT ?2",
          "WITH a AS (INSERT INTO alarms (station, kind, level, limit_value, started_at,"
          " ended_at, samples, minutes, peak, rule, live, raised_at, source, local_id) VALUES"
          " ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $17, $16::bigint) ON CONFLICT"
          " DO NOTHING RETURNING id), found AS (SELECT id FROM a UNION ALL SELECT id FROM"
          " alarms WHERE source = $17 AND local_id = $16::bigint)"
          " INSERT INTO alarm_events (alarm_id, event, at, payload, source, local_id)"
          " SELECT id, $13::text, $14::text, $15::text, $17::text, $18::bigint FROM found"
          " LIMIT 1 ON CONFLICT DO NOTHING RETURNING id",
          16};
    case PushKind::kAuditEntries:
      return {
          "SELECT id, at_utc, utc_offset, user, host, program, version, action, station,"
          " object, old_value, new_value, reason, content_sha256, previous_sha256,"
          " entry_sha256 FROM audit_entries WHERE id > ?1 ORDER BY id LIMIT ?2",
          "INSERT INTO audit_entries (at_utc, utc_offset, \"user\", host, program, version,"
          " action, station, object, old_value, new_value, reason, content_sha256,"
          " previous_sha256, entry_sha256, source, seq) VALUES ($1, $2, $3, $4, $5, $6, $7,"
          " $8, $9, $10, $11, $12, $13, $14, $15, $16, $17) ON CONFLICT DO NOTHING"
          " RETURNING id",
          15};
  }
  return {"", "", 0};
}

// The rows of one batch: each row's id in the file and its parameters for the server.
struct Batch {
  std::vector<std::int64_t> ids;
  std::vector<std::vector<PgParam>> rows;
};

Batch ReadBatch(SqliteConnection& file, const KindPlan& plan, std::int64_t after,
                const PushOptions& options) {
  Batch batch;
  SqliteStatement query(file, plan.read);
  SqliteStatement::Use use(query);
  query.Bind(1, after);
  query.Bind(2, options.batchRows);
  std::size_t bytes = 0;
  const int columns = plan.columns;
  while (bytes < options.batchBytes && query.Step()) {
    batch.ids.push_back(query.Integer(0));
    std::vector<PgParam> row;
    for (int column = 1; column <= columns; ++column) {
      if (column == plan.bytesColumn) {
        const std::string_view raw = query.IsNull(column) ? std::string_view() : query.Blob(column);
        bytes += raw.size();
        row.push_back(PgParam::Bytes(std::string(raw)));
      } else if (query.IsNull(column)) {
        row.push_back(PgParam::Null());
      } else {
        row.push_back(PgParam::Text(query.Text(column)));
      }
    }
    batch.rows.push_back(std::move(row));
  }
  return batch;
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

void PushStations(SqliteConnection& file, PgConnection& server, const std::string& source,
                  PushResult& result) {
  SqliteStatement query(file,
                        "SELECT name, port, reset_at, download_every_s, created_at FROM stations"
                        " ORDER BY name");
  SqliteStatement::Use use(query);
  PgTransaction transaction(server);
  while (query.Step()) {
    const PgResult added = server.Run(
        "INSERT INTO stations (name, port, reset_at, download_every_s, created_at, source)"
        " VALUES ($1, $2, $3, $4, $5, $6) ON CONFLICT DO NOTHING RETURNING name",
        {PgParam::Text(query.Text(0)), PgParam::Text(query.Text(1)), PgParam::Text(query.Text(2)),
         PgParam::Text(query.Text(3)), PgParam::Text(query.Text(4)), PgParam::Text(source)});
    result.stationsAdded += added.rows();
  }
  transaction.Commit();
}

}  // namespace

PushResult PushToCentral(const std::string& archivePath, const std::string& url,
                         const PushOptions& options) {
  CheckCentralUrl(url);
  ArchiveFile file(archivePath, ArchiveAccess::kReadWrite);
  SqliteConnection& local = file.connection();
  const std::string source = ArchiveIdentityOf(local);
  PgConnection server(url);
  // A stop asked while the server is slow or silent ends the wait too.
  if (options.stopRequested) server.SetInterrupt(options.stopRequested);
  CheckCentralArchive(server);
  server.Run("INSERT INTO sources (id, host) VALUES ($1, $2) ON CONFLICT DO NOTHING",
             {PgParam::Text(source), PgParam::Text(HostName())});
  PushResult result;
  PushStations(local, server, source, result);
  for (PushKind kind : PushKinds()) {
    const KindPlan plan = PlanOf(kind);
    std::int64_t mark = LastPushed(local, url, kind);
    for (;;) {
      if (options.stopRequested && options.stopRequested()) {
        result.stopped = true;
        return result;
      }
      Batch batch = ReadBatch(local, plan, mark, options);
      if (batch.ids.empty()) break;
      std::int64_t added = 0;
      {
        PgTransaction transaction(server);
        for (std::vector<PgParam>& row : batch.rows) {
          row.push_back(PgParam::Text(source));
          row.push_back(PgParam::Integer(batch.ids[&row - batch.rows.data()]));
          added += server.Run(plan.insert, row).rows();
        }
        transaction.Commit();
      }
      // Only what the server committed is marked; a cut before this sends the batch again.
      mark = batch.ids.back();
      MarkPushed(local, url, kind, mark);
      result.sent.Of(kind) += static_cast<std::int64_t>(batch.ids.size());
      result.added.Of(kind) += added;
      if (options.progress) options.progress(kind, result.sent.Of(kind));
    }
  }
  return result;
}

PendingPush PendingPushOf(const std::string& archivePath, const std::string& url) {
  ArchiveFile file(archivePath, ArchiveAccess::kReadOnly);
  if (file.empty()) return {};
  if (file.schemaVersion() < 6) {
    // Nothing was ever pushed from an archive of an older version: every row waits.
    PendingPush pending;
    for (PushKind kind : PushKinds()) {
      if (kind != PushKind::kDownloads && file.schemaVersion() < 5) continue;
      if ((kind == PushKind::kAlarms || kind == PushKind::kAlarmEvents) && file.schemaVersion() < 4)
        continue;
      SqliteStatement query(file.connection(),
                            (std::string("SELECT count(*) FROM ") + PushKindTable(kind)).c_str());
      SqliteStatement::Use use(query);
      query.Step();
      pending.Of(kind) = query.Integer(0);
    }
    return pending;
  }
  return PendingFor(file.connection(), url);
}
