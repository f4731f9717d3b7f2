// Identities of an archive file's rows: see ArchiveLineage.h.
#include "central/ArchiveLineage.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "archive/ArchiveSchema.h"
#include "archive/DownloadRecord.h"
#include "archive/Sqlite.h"

namespace {

std::optional<ArchiveFileStamp> BoundStamp(SqliteConnection& connection) {
  SqliteStatement query(connection, "SELECT device, inode FROM archive_file LIMIT 1");
  SqliteStatement::Use use(query);
  if (!query.Step()) return std::nullopt;
  return ArchiveFileStamp{query.Integer(0), query.Integer(1)};
}

void Bind(SqliteConnection& connection, const ArchiveFileStamp& stamp) {
  connection.Execute("DELETE FROM archive_file");
  SqliteStatement bind(connection, "INSERT INTO archive_file (device, inode) VALUES (?, ?)");
  SqliteStatement::Use use(bind);
  bind.Bind(1, stamp.device);
  bind.Bind(2, stamp.inode);
  bind.Step();
}

}  // namespace

const std::string& ArchiveLineage::IdentityOf(PushKind kind, std::int64_t id) const {
  // Renewals only ever move forward, so the last one that kept fewer rows than `id` names it.
  for (auto renewal = renewals.rbegin(); renewal != renewals.rend(); ++renewal) {
    if (id > renewal->kept.Of(kind)) return renewal->id;
  }
  return first;
}

const std::string& ArchiveLineage::current() const {
  return renewals.empty() ? first : renewals.back().id;
}

PendingPush ArchiveLineage::CurrentFrom() const {
  return renewals.empty() ? PendingPush() : renewals.back().kept;
}

std::vector<std::string> ArchiveLineage::all() const {
  std::vector<std::string> ids = {first};
  for (const Renewal& renewal : renewals) ids.push_back(renewal.id);
  return ids;
}

ArchiveLineage ReadLineage(SqliteConnection& connection) {
  ArchiveLineage lineage;
  lineage.first = ArchiveIdentityOf(connection);
  SqliteStatement query(connection,
                        "SELECT id, calibrations, downloads, alarms, alarm_events, audit_entries"
                        " FROM archive_renewals ORDER BY seq");
  SqliteStatement::Use use(query);
  while (query.Step()) {
    ArchiveLineage::Renewal renewal;
    renewal.id = query.Text(0);
    int column = 1;
    for (PushKind kind : PushKinds()) renewal.kept.Of(kind) = query.Integer(column++);
    lineage.renewals.push_back(std::move(renewal));
  }
  return lineage;
}

bool InItsOwnFile(SqliteConnection& connection) {
  const std::optional<ArchiveFileStamp> stamp = ArchiveFileStampOf(connection);
  if (!stamp) return true;
  const std::optional<ArchiveFileStamp> bound = BoundStamp(connection);
  if (bound) return *bound == *stamp;
  SqliteWriteTransaction transaction(connection);
  if (!BoundStamp(connection)) Bind(connection, *stamp);
  transaction.Commit();
  return BoundStamp(connection) == stamp;
}

void RenewIdentity(SqliteConnection& connection, const PendingPush& kept, const std::string& seen) {
  const std::optional<ArchiveFileStamp> stamp = ArchiveFileStampOf(connection);
  SqliteWriteTransaction transaction(connection);
  const ArchiveLineage lineage = ReadLineage(connection);
  // Another process on this same file renewed it since this one looked: that renewal stands.
  if (lineage.current() != seen) return;
  PendingPush from = kept;
  const PendingPush earlier = lineage.CurrentFrom();
  for (PushKind kind : PushKinds()) {
    // Rows confirmed by a central archive keep the identity they were pushed with.
    SqliteStatement marked(connection,
                           "SELECT coalesce(max(last_id), 0) FROM central_pushes WHERE kind = ?");
    SqliteStatement::Use use(marked);
    marked.BindText(1, PushKindCode(kind));
    marked.Step();
    from.Of(kind) = std::max({from.Of(kind), earlier.Of(kind), marked.Integer(0)});
  }
  SqliteStatement renew(connection,
                        "INSERT INTO archive_renewals (id, renewed_at, calibrations, downloads,"
                        " alarms, alarm_events, audit_entries) VALUES (lower(hex(randomblob(16))),"
                        " ?, ?, ?, ?, ?, ?)");
  {
    SqliteStatement::Use use(renew);
    renew.BindText(1, UtcText(std::chrono::system_clock::now()));
    int index = 2;
    for (PushKind kind : PushKinds()) renew.Bind(index++, from.Of(kind));
    renew.Step();
  }
  if (stamp) Bind(connection, *stamp);
  transaction.Commit();
}
