// Checks every signature of an archive against the data it names and the audit entry that
// records it.
#pragma once

#include <string>
#include <vector>

class SqliteConnection;

// The problems found, one sentence each; none when every signature holds. A signature fails when
// its data no longer hash to the hash it keeps (the data changed after signing, or the signature
// was moved to other data), when its data are gone, or when its audit entry is not a signing that
// names the same data, hash, signer and meaning. `connection` is an opened archive file; its data
// are read through a read-only connection of their own. Throws ArchiveError.
std::vector<std::string> CheckSignatures(SqliteConnection& connection);
