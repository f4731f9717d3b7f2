// Pushing an archive file to the central archive: see CentralPush.h.
#include "central/CentralPush.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveFile.h"
#include "archive/Sqlite.h"
#include "central/ArchiveLineage.h"
#include "central/CentralSchema.h"
#include "central/PgConnection.h"

namespace {

// How one kind of row goes from the archive file to the server: the file's query (the row's id
// first, then the columns that become the statement's parameters in order, after the mark and up
// to a count), the server's statement (after the columns, the source archive's identity and the
// row's id there, its global identity), and which column, if any, is a raw text sent as bytes.
// `held` asks whether the server holds the row as it is here: by its global identity and what of
// it never changes, with the parameters `heldFields` (indexes into the statement's parameters).
struct KindPlan {
  const char* read;
  const char* insert;
  int columns = 0;  // read after the id
  int bytesColumn = -1;
  const char* held = "";
  std::vector<int> heldFields;
  int linkColumn = -1;  // the column holding the id of the row's alarm
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
          11,
          -1,
          "SELECT 1 FROM calibrations WHERE source = $1 AND local_id = $2 AND station = $3"
          " AND certificate = $4 AND laboratory = $5 AND certificate_date = $6"
          " AND applies_from = $7 AND due = $8 AND set_at = $9",
          {11, 12, 0, 5, 6, 7, 8, 9, 10}};
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
          16,
          16,
          "SELECT 1 FROM downloads WHERE source = $1 AND local_id = $2 AND station = $3"
          " AND sha256 = $4 AND received_at = $5",
          {16, 17, 0, 1, 2}};
    case PushKind::kAlarms:
      return {
          "SELECT id, station, kind, level, limit_value, started_at, ended_at, samples,"
          " minutes, peak, rule, live, raised_at FROM alarms WHERE id > ?1 ORDER BY id"
          " LIMIT ?2",
          "INSERT INTO alarms (station, kind, level, limit_value, started_at, ended_at,"
          " samples, minutes, peak, rule, live, raised_at, source, local_id) VALUES ($1, $2,"
          " $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14) ON CONFLICT DO NOTHING"
          " RETURNING id",
          12,
          -1,
          "SELECT 1 FROM alarms WHERE source = $1 AND local_id = $2 AND station = $3"
          " AND kind = $4 AND level = $5 AND rule = $6 AND raised_at = $7",
          {12, 13, 0, 1, 2, 9, 11}};
    case PushKind::kAlarmEvents:
      // The event's alarm goes along (as it stands now) in case the server does not hold it,
      // under the identity the alarm carries ($19), which may be older than the event's.
      return {
          "SELECT e.id, a.station, a.kind, a.level, a.limit_value, a.started_at, a.ended_at,"
          " a.samples, a.minutes, a.peak, a.rule, a.live, a.raised_at, e.event, e.at,"
          " e.payload, a.id FROM alarm_events e JOIN alarms a ON a.id = e.alarm_id"
          " WHERE e.id > ?1 ORDER BY e.id LIMIT ?2",
          "WITH a AS (INSERT INTO alarms (station, kind, level, limit_value, started_at,"
          " ended_at, samples, minutes, peak, rule, live, raised_at, source, local_id) VALUES"
          " ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $19, $16::bigint) ON CONFLICT"
          " DO NOTHING RETURNING id), found AS (SELECT id FROM a UNION ALL SELECT id FROM"
          " alarms WHERE source = $19 AND local_id = $16::bigint)"
          " INSERT INTO alarm_events (alarm_id, event, at, payload, source, local_id)"
          " SELECT id, $13::text, $14::text, $15::text, $17::text, $18::bigint FROM found"
          " LIMIT 1 ON CONFLICT DO NOTHING RETURNING id",
          16,
          -1,
          "SELECT 1 FROM alarm_events WHERE source = $1 AND local_id = $2 AND event = $3"
          " AND at = $4 AND payload = $5",
          {16, 17, 12, 13, 14},
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
          15,
          -1,
          // An entry's hash covers its content and its place in the chain.
          "SELECT 1 FROM audit_entries WHERE entry_sha256 = $1",
          {14}};
  }
  return {"", "", 0, -1, "", {}, -1};
}

// The rows of one batch: each row's id in the file, its parameters for the server, and the id of
// its alarm for an alarm event.
struct Batch {
  std::vector<std::int64_t> ids;
  std::vector<std::vector<PgParam>> rows;
  std::vector<std::int64_t> links;
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
    if (plan.linkColumn >= 0) batch.links.push_back(query.Integer(plan.linkColumn));
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

// The parameters of `plan.held` for `row` (with its global identity).
std::vector<PgParam> HeldParams(const KindPlan& plan, const std::vector<PgParam>& row) {
  std::vector<PgParam> params;
  for (int field : plan.heldFields) params.push_back(row[static_cast<std::size_t>(field)]);
  return params;
}

bool Holds(PgConnection& server, const KindPlan& plan, const std::vector<PgParam>& row) {
  return server.Run(plan.held, HeldParams(plan, row)).rows() > 0;
}

// Appends the global identity of the batch's row `k` to its parameters, and for an alarm event
// the identity of its alarm.
void AddIdentity(Batch& batch, std::size_t k, PushKind kind, const ArchiveLineage& lineage) {
  std::vector<PgParam>& row = batch.rows[k];
  row.push_back(PgParam::Text(lineage.IdentityOf(kind, batch.ids[k])));
  row.push_back(PgParam::Integer(batch.ids[k]));
  if (kind == PushKind::kAlarmEvents)
    row.push_back(PgParam::Text(lineage.IdentityOf(PushKind::kAlarms, batch.links[k])));
}

// Per kind, the last row this file shares with the one it was copied from, as far as the server
// tells: the rows after the push mark that the server holds already, as they are here, under the
// identity they carry. The first row it does not hold is this file's own, and so is every row
// after it.
PendingPush SharedRows(SqliteConnection& local, PgConnection& server, const std::string& url,
                       const ArchiveLineage& lineage) {
  PendingPush shared;
  const PushOptions options;
  for (PushKind kind : PushKinds()) {
    const KindPlan plan = PlanOf(kind);
    std::int64_t& last = shared.Of(kind);
    last = std::max(lineage.CurrentFrom().Of(kind), LastPushed(local, url, kind));
    for (bool more = true; more;) {
      Batch batch = ReadBatch(local, plan, last, options);
      if (batch.ids.empty()) break;
      for (std::size_t k = 0; k < batch.ids.size() && more; ++k) {
        AddIdentity(batch, k, kind, lineage);
        more = Holds(server, plan, batch.rows[k]);
        if (more) last = batch.ids[k];
      }
    }
  }
  return shared;
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
  PgConnection server(url);
  // A stop asked while the server is slow or silent ends the wait too.
  if (options.stopRequested) server.SetInterrupt(options.stopRequested);
  CheckCentralArchive(server);
  ArchiveLineage lineage = ReadLineage(local);
  // A copy or a restored backup: its own rows take a new identity before any of them is sent.
  if (!InItsOwnFile(local)) {
    RenewIdentity(local, SharedRows(local, server, url, lineage), lineage.current());
    lineage = ReadLineage(local);
  }
  for (const std::string& source : lineage.all()) {
    server.Run("INSERT INTO sources (id, host) VALUES ($1, $2) ON CONFLICT DO NOTHING",
               {PgParam::Text(source), PgParam::Text(HostName())});
  }
  PushResult result;
  PushStations(local, server, lineage.current(), result);
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
      std::optional<std::int64_t> refused;
      {
        PgTransaction transaction(server);
        for (std::size_t k = 0; k < batch.rows.size() && !refused; ++k) {
          AddIdentity(batch, k, kind, lineage);
          const int rows = server.Run(plan.insert, batch.rows[k]).rows();
          // Not added: the server holds the row already, or another one under its identity.
          if (rows == 0 && !Holds(server, plan, batch.rows[k])) refused = batch.ids[k];
          added += rows;
        }
        if (!refused) transaction.Commit();
      }
      if (refused) {
        // The batch was rolled back and nothing of it is marked. Another file pushed other rows
        // under this archive's identity: this one is a copy or a restored backup that was not
        // seen as one. Its own rows take a new identity, which the next push uses.
        RenewIdentity(local, SharedRows(local, server, url, lineage), lineage.current());
        throw ArchiveError(
            ArchiveError::Kind::kCannotWrite,
            "the central archive holds row " + std::to_string(*refused) + " of " +
                PushKindCode(kind) + " of archive " + lineage.IdentityOf(kind, *refused) +
                " with other content: this file is a copy or a restored backup of an archive "
                "that pushed there; nothing more was pushed, and this file's own rows take a "
                "new identity for the next push");
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
