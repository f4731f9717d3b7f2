// Which archive a command uses, and the check that keeps every output of the command-line tool off
// it: a table, export or capture named like the archive (or reaching it through a link) is refused
// before anything is read, received or written.
#pragma once

#include <string>
#include <vector>

#include "cli/CliArguments.h"

namespace cli {

// The archive named by --archive FILE, else the usual one (see archive/ArchivePath.h).
std::string ArchivePathOf(const CommandLine& line);

// Throws DatabaseTargetError (exit status 2) when the value of one of `options` names a database
// file, or the command's archive or one of its side files, whether they exist yet or not.
void RefuseArchiveTargets(const CommandLine& line, const std::vector<std::string>& options);

}  // namespace cli
