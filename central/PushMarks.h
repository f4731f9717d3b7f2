// What of an archive file has reached a central archive: the archive's own identity, and per kind
// of row the last one pushed to each central archive. Rows are numbered in the order they were
// kept, so what waits is every row after the mark. A mark only moves after the server committed
// the rows up to it; a push cut before that sends them again, and the server keeps them once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class SqliteConnection;

// The kinds of rows pushed, in the order a push sends them.
enum class PushKind { kCalibrations, kDownloads, kAlarms, kAlarmEvents, kAuditEntries };
const std::vector<PushKind>& PushKinds();
const char* PushKindCode(PushKind kind);  // "downloads", "audit_entries" ...
const char* PushKindTable(PushKind kind);

// Per kind, the rows of the archive that the central archive has not yet confirmed.
struct PendingPush {
  std::int64_t calibrations = 0;
  std::int64_t downloads = 0;
  std::int64_t alarms = 0;
  std::int64_t alarmEvents = 0;
  std::int64_t auditEntries = 0;
  std::int64_t& Of(PushKind kind);
  std::int64_t Of(PushKind kind) const { return const_cast<PendingPush&>(*this).Of(kind); }
  std::int64_t total() const {
    return calibrations + downloads + alarms + alarmEvents + auditEntries;
  }
};

// The archive's identity (32 hexadecimal digits).
std::string ArchiveIdentityOf(SqliteConnection& connection);
std::int64_t LastPushed(SqliteConnection& connection, const std::string& target, PushKind kind);
// Moves the mark, in a write transaction of its own.
void MarkPushed(SqliteConnection& connection, const std::string& target, PushKind kind,
                std::int64_t lastId);
PendingPush PendingFor(SqliteConnection& connection, const std::string& target);
