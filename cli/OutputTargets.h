// Where the command-line tool's archive is and where its outputs may go: an archive that would keep
// nothing is refused; a table, export or capture never replaces the archive (named like it, or
// reached through a link) nor one of the command's inputs, and two outputs of one command never
// name one file. All are refused before anything is read, received or written.
#pragma once

#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "data/FileIdentity.h"

namespace cli {

// The archive named by --archive FILE, else the usual one (see archive/ArchivePath.h). Throws
// UsageError when that name would keep nothing (an empty name, ":memory:", a "file:" URI).
std::string ArchivePathOf(const CommandLine& line);

// The same for a command that only reads the archive: an archive file named by --archive or
// VELMORANTE_ARCHIVE must exist (std::runtime_error, exit status 1, otherwise: a mistyped name is
// not an empty archive). The usual archive, not made yet, holds nothing. A central archive's URL is
// returned as it is.
std::string ReadArchivePathOf(const CommandLine& line);

// Throws DatabaseTargetError (exit status 2) when the value of one of `options` names a database
// file, or the command's archive or one of its side files, whether they exist yet or not.
void RefuseArchiveTargets(const CommandLine& line, const std::vector<std::string>& options);

// Throws UsageError (exit status 2) when the value of one of `options` is the file `input` that
// the command reads (by its identity on disk, whatever name or link leads to it).
void RefuseInputTargets(const CommandLine& line, const std::string& input,
                        const std::vector<std::string>& options);

}  // namespace cli
