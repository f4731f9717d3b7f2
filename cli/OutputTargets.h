// Where the command-line tool's outputs may go: a table, export or capture never replaces the
// archive (named like it, or reached through a link), and two outputs of one command never name
// one file. Both are refused before anything is read, received or written.
#pragma once

#include <string>
#include <vector>

#include "cli/CliArguments.h"

namespace cli {

// The archive named by --archive FILE, else the usual one (see archive/ArchivePath.h).
std::string ArchivePathOf(const CommandLine& line);

// Whether writing `a` and writing `b` would write the same file: one file on disk (by device and
// inode, so also through a hard link), or one path once its links are followed, also when the file
// does not exist yet.
bool SameFile(const std::string& a, const std::string& b);

// Throws DatabaseTargetError (exit status 2) when the value of one of `options` names a database
// file, or the command's archive or one of its side files, whether they exist yet or not.
void RefuseArchiveTargets(const CommandLine& line, const std::vector<std::string>& options);

}  // namespace cli
