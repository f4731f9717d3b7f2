// Checking an archive's records against their own hashes: the audit trail's chain (each entry's
// content hash, the previous entry's hash it names, its entry hash), every signature against the
// data it signed, and every archived download's raw text against its recorded SHA-256. Plain C++,
// no windows, so that every program and further checks can share it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/AuditTrail.h"

class SqliteConnection;

struct AuditProblem {
  enum class Kind {
    kEntryChanged,       // an entry's content or hashes no longer match each other
    kEntryRemoved,       // an entry names a previous one that is no longer there
    kEntryInserted,      // an entry that the chain does not lead through
    kDownloadChanged,    // a download's raw text no longer matches its SHA-256
    kDownloadUnaudited,  // a download archived with its entry has none: the entry was removed
    kSignature,          // a signature no longer matches the data it signed or its entry
  };
  Kind kind = Kind::kEntryChanged;
  std::int64_t id = 0;  // the entry's id, or the download's
  std::string detail;   // a sentence saying what does not match, in English
};

// The problems of `entries` (in order of id), the first in the chain first; none when the chain
// holds.
std::vector<AuditProblem> CheckAuditChain(const std::vector<AuditEntry>& entries);

// What CheckArchiveRecords read: to say what was checked when all holds.
struct ArchiveCheckCounts {
  std::int64_t entries = 0;
  std::int64_t downloads = 0;
};

// The chain's problems followed by those of the downloads whose raw text no longer matches its
// SHA-256 (or is missing), or which were archived with an audit entry (they keep a time zone) that
// is no longer there, as when the last entries are cut off the chain, then those of the signatures.
// An archive older than the audit trail has only its downloads' texts to check. Reads in one
// transaction. Throws ArchiveError.
std::vector<AuditProblem> CheckArchiveRecords(SqliteConnection& connection,
                                              ArchiveCheckCounts* counts = nullptr);
