// The audit trail from the command line: `audit` lists its entries, `audit verify` checks the
// chain and every download's checksum.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

struct AuditChange;

namespace cli {

// Appends `change` by velmorante-cli to the audit trail of the archive at `path`. A failure is
// said on `err`; returns whether the entry was written.
bool NoteInAuditTrail(const std::string& path, const AuditChange& change, std::ostream& err);

// `audit [--since TIME] [--station NAME] [--json]` and `audit verify`, each with --archive FILE
// (args[0] is "audit"). Returns the exit status: 1 when verifying finds a problem.
int AuditCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
