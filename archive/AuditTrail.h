// The archive's audit trail: one entry for every action that creates or changes a record or a
// setting, appended only and chained. Each entry holds the SHA-256 of its own content and the entry
// hash of the entry before it, so that changing, removing or inserting an entry breaks the chain.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class SqliteConnection;

enum class AuditAction {
  kDownload,
  kSetClock,
  kSetRate,
  kStationAdd,
  kStationChange,
  kStationRemove,
  kRulesChange,
  kCalibrationChange,
  kAlarmAck,
  kExport,
  kReport,
  kSign,
  kSignFailed,
};
const char* AuditActionCode(AuditAction action);  // "download", "set_clock", ..., "sign_failed"
std::optional<AuditAction> AuditActionFromCode(std::string_view code);

// Who acts: the system user and host, and the program with its version.
struct AuditActor {
  std::string user;
  std::string host;
  std::string program;  // "velmorante-cli", "velmorante", ...
  std::string version;
};
// The user running this process (from its effective user id) and this computer's host name.
AuditActor CurrentActor(std::string program, std::string version);

// What an action did. Old and new values are texts (JSON where they hold several fields); the
// reason is required for changes of rules, calibration and station settings.
struct AuditChange {
  AuditAction action = AuditAction::kDownload;
  std::string station;  // empty when the action concerns no station
  std::string object;   // what was acted on: "download 42", "station norte", a file name, ...
  std::optional<std::string> oldValue;
  std::optional<std::string> newValue;
  std::string reason;
};

struct AuditEntry {
  std::int64_t id = 0;
  std::string atUtc;      // "2026-12-08T15:40:02Z"
  std::string utcOffset;  // the computer's local offset then: "+01:00"
  AuditActor actor;
  AuditChange change;
  std::string contentSha256;   // of AuditContentText
  std::string previousSha256;  // the entry hash of the entry before; 64 zeros for the first
  std::string entrySha256;     // SHA-256 of content hash and previous hash, concatenated
};

// The hash a chain starts from.
extern const char* const kAuditChainStart;
// The text whose SHA-256 is an entry's content hash: every field but the hashes and the id, as a
// JSON array in a fixed order.
std::string AuditContentText(const AuditEntry& entry);
// SHA-256 of `contentSha256` followed by `previousSha256`.
std::string AuditEntryHash(const std::string& contentSha256, const std::string& previousSha256);

// Appends an entry for `change` by `actor`, stamped now, chained to the last entry. Runs inside a
// write transaction of its own unless `inTransaction` says the caller holds one already (then the
// entry is kept or lost with the caller's other writes). Returns the entry's id. Throws
// ArchiveError; throws std::invalid_argument when a change that needs a reason has none.
std::int64_t AppendAuditEntry(SqliteConnection& connection, const AuditActor& actor,
                              const AuditChange& change, bool inTransaction = false);
// Whether `action` needs a reason.
bool AuditNeedsReason(AuditAction action);

// Every entry, in order of id.
std::vector<AuditEntry> ReadAuditEntries(SqliteConnection& connection);
