// The push marks of an archive file: see PushMarks.h.
#include "central/PushMarks.h"

#include <stdexcept>

#include "archive/DownloadRecord.h"
#include "archive/Sqlite.h"

const std::vector<PushKind>& PushKinds() {
  // Calibrations first, so that a download on the server is never read without the correction
  // that applies to it; alarms before their events.
  static const std::vector<PushKind> kinds = {PushKind::kCalibrations, PushKind::kDownloads,
                                              PushKind::kAlarms, PushKind::kAlarmEvents,
                                              PushKind::kAuditEntries};
  return kinds;
}

const char* PushKindCode(PushKind kind) {
  switch (kind) {
    case PushKind::kCalibrations:
      return "calibrations";
    case PushKind::kDownloads:
      return "downloads";
    case PushKind::kAlarms:
      return "alarms";
    case PushKind::kAlarmEvents:
      return "alarm_events";
    case PushKind::kAuditEntries:
      return "audit_entries";
  }
  return "";
}

const char* PushKindTable(PushKind kind) {
  return PushKindCode(kind);
}

std::int64_t& PendingPush::Of(PushKind kind) {
  switch (kind) {
    case PushKind::kCalibrations:
      return calibrations;
    case PushKind::kDownloads:
      return downloads;
    case PushKind::kAlarms:
      return alarms;
    case PushKind::kAlarmEvents:
      return alarmEvents;
    case PushKind::kAuditEntries:
      return auditEntries;
  }
  throw std::logic_error("unknown push kind");
}

std::string ArchiveIdentityOf(SqliteConnection& connection) {
  SqliteStatement query(connection, "SELECT id FROM archive_identity LIMIT 1");
  SqliteStatement::Use use(query);
  if (!query.Step())
    throw ArchiveError(ArchiveError::Kind::kDamaged, "the archive has no identity");
  return query.Text(0);
}

std::int64_t LastPushed(SqliteConnection& connection, const std::string& target, PushKind kind) {
  SqliteStatement query(connection,
                        "SELECT last_id FROM central_pushes WHERE target = ? AND kind = ?");
  SqliteStatement::Use use(query);
  query.BindText(1, target);
  query.BindText(2, PushKindCode(kind));
  return query.Step() ? query.Integer(0) : 0;
}

void MarkPushed(SqliteConnection& connection, const std::string& target, PushKind kind,
                std::int64_t lastId) {
  SqliteWriteTransaction transaction(connection);
  SqliteStatement mark(connection,
                       "INSERT INTO central_pushes (target, kind, last_id, pushed_at)"
                       " VALUES (?1, ?2, ?3, ?4) ON CONFLICT (target, kind) DO UPDATE SET"
                       " last_id = max(last_id, ?3), pushed_at = ?4");
  {
    SqliteStatement::Use use(mark);
    mark.BindText(1, target);
    mark.BindText(2, PushKindCode(kind));
    mark.Bind(3, lastId);
    mark.BindText(4, UtcText(std::chrono::system_clock::now()));
    mark.Step();
  }
  transaction.Commit();
}

PendingPush PendingFor(SqliteConnection& connection, const std::string& target) {
  PendingPush pending;
  for (PushKind kind : PushKinds()) {
    const std::string sql = std::string("SELECT count(*) FROM ") + PushKindTable(kind) +
                            " WHERE id > coalesce((SELECT last_id FROM central_pushes"
                            " WHERE target = ?1 AND kind = ?2), 0)";
    SqliteStatement query(connection, sql.c_str());
    SqliteStatement::Use use(query);
    query.BindText(1, target);
    query.BindText(2, PushKindCode(kind));
    query.Step();
    pending.Of(kind) = query.Integer(0);
  }
  return pending;
}
