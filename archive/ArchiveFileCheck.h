// A look at an existing archive file before the database opens it: a file that is not a database,
// or one shorter than its own header says (cut off by a full disk or a bad copy), must be reported
// and left alone, and SQLite alone would only notice the damage when it reaches the missing part.
#pragma once

#include <optional>
#include <string>

#include "archive/ArchiveError.h"

// Nothing when `path` does not exist, is empty, or looks like a whole database; otherwise the
// problem (kNotAnArchive, kDamaged or kCannotOpen).
std::optional<ArchiveError> CheckArchiveFile(const std::string& path);
