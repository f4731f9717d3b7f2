// The audit trail as the windows list it: entries picked by station, action and a text, and the
// picked entries as CSV for spreadsheets. No database code: the entries come through the archive
// module.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "archive/AuditTrail.h"

struct AuditFilter {
  std::string station;                // empty: every station, and entries of none
  std::optional<AuditAction> action;  // none: every action
  std::string text;  // found, whatever its case, in any field but the hashes; empty: any
};

bool AuditEntryMatches(const AuditEntry& entry, const AuditFilter& filter);

// A heading line and one line per entry, fields quoted and separated by commas, lines ended by
// CR LF. A free text that a spreadsheet would take for a formula gets a leading apostrophe.
std::string AuditCsv(const std::vector<AuditEntry>& entries);
