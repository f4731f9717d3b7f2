// `record NAME`: a station's continuous record from the archive, exported like a download, with its
// gaps and conflicting samples reported; and the station as the SOURCE of `export` and `stats`.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "record/RecordSelection.h"

namespace cli {

// The samples of `station` in the archive of `line` (--archive FILE or the usual one), within
// --from and --to when given. Throws UsageError for a time that cannot be read and
// std::runtime_error for a missing archive or an unknown station.
record::RecordSelection ReadStationSelection(const CommandLine& line, const std::string& station);

// Writes one line per gap and per conflicting sample of `selection` to `err`.
void ReportRecordProblems(const record::RecordSelection& selection, std::ostream& err);

// args[0] is "record". Returns the exit status; throws UsageError for a bad command line and
// std::exception (with the reason) for an archive or file that fails.
int RecordCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
