// SQLite's full check of an archive file's pages and indexes, for the commands that verify an
// archive: a damaged page that no record read happens to cross must still fail the check.
#pragma once

#include <string>

// Opens the archive file at `path` for reading (nothing in it changes) and runs SQLite's integrity
// check over every page. Throws ArchiveError: kDamaged naming what SQLite found when any page or
// index is damaged, or the opening's own error (a missing, foreign or unreadable file).
void CheckArchivePages(const std::string& path);
