// Which identity each row of an archive file carries on a central archive. An archive's identity
// is bound to the file it lives in; a copy or a restored backup is another file, and takes a new
// identity for the rows it keeps from then on, so that two files never push different rows under
// one global identity. Rows kept before a renewal keep the identity they had: what was pushed
// from them is never pushed again as new.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "central/PushMarks.h"

class SqliteConnection;

struct ArchiveLineage {
  // A renewal: rows of each kind after `kept` carry `id` (until the next renewal).
  struct Renewal {
    std::string id;
    PendingPush kept;  // per kind, the last row that carries an earlier identity
  };
  std::string first;  // the identity the archive was made with
  std::vector<Renewal> renewals;

  const std::string& IdentityOf(PushKind kind, std::int64_t id) const;
  const std::string& current() const;
  // Per kind, the last row that carries an earlier identity than the current one.
  PendingPush CurrentFrom() const;
  std::vector<std::string> all() const;
};

// Throws ArchiveError (kDamaged) for an archive without an identity.
ArchiveLineage ReadLineage(SqliteConnection& connection);

// Whether the archive is in the file its identity is bound to. An identity bound to no file yet
// (or a file that cannot be looked at) is taken as this file's, and bound to it.
bool InItsOwnFile(SqliteConnection& connection);

// Gives the rows after `kept` (per kind; never before an earlier renewal's nor a push mark) a new
// identity bound to this file, in a write transaction of its own. Nothing changes when the
// current identity is no longer `seen`: another process renewed it in the meantime.
void RenewIdentity(SqliteConnection& connection, const PendingPush& kept, const std::string& seen);
