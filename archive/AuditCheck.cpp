// Recomputing the audit trail's chain and the downloads' checksums.
#include "archive/AuditCheck.h"

#include <exception>
#include <map>
#include <set>

#include "archive/ArchiveError.h"
#include "archive/Sha256.h"
#include "archive/SignatureCheck.h"
#include "archive/Sqlite.h"

namespace {

std::string Short(const std::string& hash) {
  return hash.substr(0, 12);
}

// Downloads archived since the audit trail (they keep a time zone) whose entry is missing.
void CheckDownloadEntries(SqliteConnection& connection, const std::vector<AuditEntry>& entries,
                          std::vector<AuditProblem>& problems) {
  std::set<std::string> audited;
  for (const AuditEntry& e : entries)
    if (e.change.action == AuditAction::kDownload) audited.insert(e.change.object);
  SqliteStatement query(connection,
                        "SELECT id FROM downloads WHERE time_zone IS NOT NULL ORDER BY id");
  SqliteStatement::Use use(query);
  while (query.Step()) {
    const std::int64_t id = query.Integer(0);
    if (audited.count("download " + std::to_string(id)) == 0) {
      problems.push_back({AuditProblem::Kind::kDownloadUnaudited, id,
                          "download " + std::to_string(id) + " has no audit entry"});
    }
  }
}

void CheckDownloads(SqliteConnection& connection, std::vector<AuditProblem>& problems,
                    ArchiveCheckCounts* counts) {
  SqliteStatement query(connection,
                        "SELECT d.id, d.sha256, t.raw IS NULL, t.raw FROM downloads d"
                        " LEFT JOIN download_texts t ON t.download_id = d.id ORDER BY d.id");
  SqliteStatement::Use use(query);
  while (query.Step()) {
    if (counts != nullptr) ++counts->downloads;
    const std::int64_t id = query.Integer(0);
    const std::string recorded = query.Text(1);
    if (query.Integer(2) != 0) {
      problems.push_back({AuditProblem::Kind::kDownloadChanged, id,
                          "download " + std::to_string(id) + " has lost its raw text"});
      continue;
    }
    const std::string actual = Sha256Hex(query.Blob(3));
    if (actual != recorded) {
      problems.push_back({AuditProblem::Kind::kDownloadChanged, id,
                          "download " + std::to_string(id) + ": its raw text has SHA-256 " +
                              actual + ", not the recorded " + recorded});
    }
  }
}

bool HasAuditTable(SqliteConnection& connection) {
  SqliteStatement query(
      connection, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'audit_entries'");
  SqliteStatement::Use use(query);
  return query.Step();
}

}  // namespace

std::vector<AuditProblem> CheckAuditChain(const std::vector<AuditEntry>& entries) {
  std::vector<AuditProblem> problems;
  // Entry hashes seen so far, with the position of their entry: an entry that names an earlier
  // entry than the one just before it shows that the ones between were slipped in.
  std::map<std::string, std::size_t> seen;
  std::string expected = kAuditChainStart;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const AuditEntry& entry = entries[i];
    const std::string name = "entry " + std::to_string(entry.id);
    std::string content;
    try {
      content = Sha256Hex(AuditContentText(entry));
    } catch (const std::exception&) {
      // A value no program of ours writes (bytes that are not UTF-8 text): this entry was changed,
      // and the check goes on with the others.
      problems.push_back({AuditProblem::Kind::kEntryChanged, entry.id,
                          name + " was changed: it holds bytes that are not UTF-8 text"});
    }
    if (content.empty()) {
      // Reported just above.
    } else if (content != entry.contentSha256) {
      problems.push_back({AuditProblem::Kind::kEntryChanged, entry.id,
                          name + " was changed: its content no longer matches its hash"});
    } else if (AuditEntryHash(entry.contentSha256, entry.previousSha256) != entry.entrySha256) {
      problems.push_back({AuditProblem::Kind::kEntryChanged, entry.id,
                          name + " was changed: its entry hash does not match its content"});
    }
    if (entry.previousSha256 != expected) {
      const auto earlier = seen.find(entry.previousSha256);
      if (earlier != seen.end()) {
        // The entries after the one it names were not in the chain when it was written.
        for (std::size_t j = earlier->second + 1; j < i; ++j) {
          problems.push_back({AuditProblem::Kind::kEntryInserted, entries[j].id,
                              "entry " + std::to_string(entries[j].id) +
                                  " was inserted: the chain does not pass through it"});
        }
      } else if (entry.previousSha256 == kAuditChainStart) {
        problems.push_back({AuditProblem::Kind::kEntryInserted, entry.id,
                            name + " starts a new chain after " + std::to_string(i) +
                                " entries: it or those before it were inserted"});
      } else {
        problems.push_back({AuditProblem::Kind::kEntryRemoved, entry.id,
                            "an entry before " + name + " was removed: it follows " +
                                Short(entry.previousSha256) + "…, which is not in the archive"});
      }
    }
    // Stamps are not compared: a computer's clock may step back, and the chain holds the order.
    seen.emplace(entry.entrySha256, i);
    // The chain goes on from what this entry says it is, so that one change is reported once.
    expected = entry.entrySha256;
  }
  return problems;
}

std::vector<AuditProblem> CheckArchiveRecords(SqliteConnection& connection,
                                              ArchiveCheckCounts* counts) {
  connection.Execute("BEGIN");
  struct EndRead {
    SqliteConnection& connection;
    ~EndRead() {
      try {
        connection.Execute("COMMIT");
      } catch (const ArchiveError&) {
        // A read has nothing to lose.
      }
    }
  } endRead{connection};
  // An archive from before the audit trail has only its downloads to check.
  const std::vector<AuditEntry> entries =
      HasAuditTable(connection) ? ReadAuditEntries(connection) : std::vector<AuditEntry>();
  if (counts != nullptr) counts->entries = static_cast<std::int64_t>(entries.size());
  std::vector<AuditProblem> problems = CheckAuditChain(entries);
  if (HasAuditTable(connection)) CheckDownloadEntries(connection, entries, problems);
  CheckDownloads(connection, problems, counts);
  if (HasAuditTable(connection)) {
    for (std::string& text : CheckSignatures(connection))
      problems.push_back({AuditProblem::Kind::kSignature, 0, std::move(text)});
  }
  return problems;
}
