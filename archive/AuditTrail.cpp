// Appending chained entries to the audit trail and reading them back.
#include "archive/AuditTrail.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <tuple>
#include <utility>

#include <sqlite3.h>
#include <nlohmann/json.hpp>

#include "archive/Sha256.h"
#include "archive/Sqlite.h"

const char* const kAuditChainStart =
    "0000000000000000000000000000000000000000000000000000000000000000";

namespace {

nlohmann::json OrNull(const std::optional<std::string>& text) {
  return text ? nlohmann::json(*text) : nlohmann::json(nullptr);
}

// Now in UTC ("2026-12-08T15:40:02Z") with the local offset ("+01:00").
std::pair<std::string, std::string> Now() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
  std::tm local{};
  gmtime_r(&now, &utc);
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  const long offset = local.tm_gmtoff;
  const long magnitude = offset < 0 ? -offset : offset;
  char zone[48];
  std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", offset < 0 ? '-' : '+', magnitude / 3600,
                magnitude % 3600 / 60);
  return {stamp, zone};
}

std::string LastEntryHash(SqliteConnection& connection) {
  SqliteStatement query(connection,
                        "SELECT entry_sha256 FROM audit_entries ORDER BY id DESC LIMIT 1");
  SqliteStatement::Use use(query);
  return query.Step() ? query.Text(0) : std::string(kAuditChainStart);
}

void BindOptional(SqliteStatement& statement, int index, const std::optional<std::string>& text) {
  if (text) statement.BindText(index, *text);
}

std::optional<std::string> OptionalText(const SqliteStatement& statement, int column) {
  if (statement.IsNull(column)) return std::nullopt;
  return statement.Text(column);
}

}  // namespace

AuditActor CurrentActor(std::string program, std::string version) {
  AuditActor actor;
  actor.program = std::move(program);
  actor.version = std::move(version);
  const uid_t uid = geteuid();
  std::array<char, 4096> buffer{};
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
    actor.user = found->pw_name;
  else
    actor.user = "uid " + std::to_string(uid);
  std::array<char, 256> host{};
  if (gethostname(host.data(), host.size() - 1) == 0) actor.host = host.data();
  return actor;
}

bool AuditNeedsReason(AuditAction action) {
  return action == AuditAction::kRulesChange || action == AuditAction::kCalibrationChange ||
         action == AuditAction::kStationAdd || action == AuditAction::kStationChange ||
         action == AuditAction::kStationRemove;
}

std::string AuditContentText(const AuditEntry& entry) {
  const nlohmann::json content = {
      entry.atUtc,
      entry.utcOffset,
      entry.actor.user,
      entry.actor.host,
      entry.actor.program,
      entry.actor.version,
      AuditActionCode(entry.change.action),
      entry.change.station,
      entry.change.object,
      OrNull(entry.change.oldValue),
      OrNull(entry.change.newValue),
      entry.change.reason,
  };
  return content.dump();
}

std::string AuditEntryHash(const std::string& contentSha256, const std::string& previousSha256) {
  return Sha256Hex(contentSha256 + previousSha256);
}

std::int64_t AppendAuditEntry(SqliteConnection& connection, const AuditActor& actor,
                              const AuditChange& change, bool inTransaction) {
  if (AuditNeedsReason(change.action) && change.reason.empty())
    throw std::invalid_argument("a reason is required for this change");
  std::optional<SqliteWriteTransaction> transaction;
  if (!inTransaction) transaction.emplace(connection);
  AuditEntry entry;
  std::tie(entry.atUtc, entry.utcOffset) = Now();
  entry.actor = actor;
  entry.change = change;
  entry.contentSha256 = Sha256Hex(AuditContentText(entry));
  entry.previousSha256 = LastEntryHash(connection);
  entry.entrySha256 = AuditEntryHash(entry.contentSha256, entry.previousSha256);
  SqliteStatement insert(
      connection,
      "INSERT INTO audit_entries (at_utc, utc_offset, user, host, program, version, action,"
      " station, object, old_value, new_value, reason, content_sha256, previous_sha256,"
      " entry_sha256) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)");
  {
    SqliteStatement::Use use(insert);
    insert.BindText(1, entry.atUtc);
    insert.BindText(2, entry.utcOffset);
    insert.BindText(3, actor.user);
    insert.BindText(4, actor.host);
    insert.BindText(5, actor.program);
    insert.BindText(6, actor.version);
    insert.BindText(7, AuditActionCode(change.action));
    if (!change.station.empty()) insert.BindText(8, change.station);
    insert.BindText(9, change.object);
    BindOptional(insert, 10, change.oldValue);
    BindOptional(insert, 11, change.newValue);
    insert.BindText(12, change.reason);
    insert.BindText(13, entry.contentSha256);
    insert.BindText(14, entry.previousSha256);
    insert.BindText(15, entry.entrySha256);
    insert.Step();
  }
  const std::int64_t id = sqlite3_last_insert_rowid(connection.handle());
  if (transaction) transaction->Commit();
  return id;
}

std::vector<AuditEntry> ReadAuditEntries(SqliteConnection& connection) {
  SqliteStatement query(
      connection,
      "SELECT id, at_utc, utc_offset, user, host, program, version, action, station, object,"
      " old_value, new_value, reason, content_sha256, previous_sha256, entry_sha256"
      " FROM audit_entries ORDER BY id");
  SqliteStatement::Use use(query);
  std::vector<AuditEntry> entries;
  while (query.Step()) {
    AuditEntry entry;
    entry.id = query.Integer(0);
    entry.atUtc = query.Text(1);
    entry.utcOffset = query.Text(2);
    entry.actor = {query.Text(3), query.Text(4), query.Text(5), query.Text(6)};
    // The table's check admits only the known codes.
    entry.change.action = AuditActionFromCode(query.Text(7)).value_or(AuditAction::kDownload);
    entry.change.station = query.IsNull(8) ? std::string() : query.Text(8);
    entry.change.object = query.Text(9);
    entry.change.oldValue = OptionalText(query, 10);
    entry.change.newValue = OptionalText(query, 11);
    entry.change.reason = query.Text(12);
    entry.contentSha256 = query.Text(13);
    entry.previousSha256 = query.Text(14);
    entry.entrySha256 = query.Text(15);
    entries.push_back(std::move(entry));
  }
  return entries;
}
