// The commands that work on downloaded data rather than on the logger: `export` (csv, csv-es or
// json) and `stats` (the summary, as text or JSON, with optional limits), from a file, an archived
// download or a station's record.
#pragma once

#include <iosfwd>
#include <set>
#include <string>
#include <vector>

#include "analysis/ExportFormat.h"
#include "cli/CliArguments.h"
#include "data/SampleTable.h"

namespace cli {

// The value of --format; UsageError when it is missing or names no export format.
analysis::ExportFormat ExportFormatOption(const CommandLine& line);
// Writes `text` to --out (whole or not at all), or to `out` without it.
void DeliverText(const CommandLine& line, const std::string& text, std::ostream& out);
// Notes the file written to --out from the archive's records (`source`: "station camara1",
// "download 42") with its SHA-256 in the archive's audit trail; nothing without --out. Returns
// whether all went well, having said on `err` what did not.
bool NoteExport(const CommandLine& line, const std::string& station, const std::string& source,
                const std::string& text, std::ostream& err);

// SOURCE is one file, `--history ID` or `--station NAME [--from ISO] [--to ISO]` (with `--archive
// FILE` where the archive is not the usual one); returns the command line parsed with those options
// beside `valueOptions` and `switchOptions`. Throws UsageError.
CommandLine ParseWithSource(const std::vector<std::string>& args,
                            std::set<std::string> valueOptions,
                            const std::set<std::string>& switchOptions);
// The decoded download (or record) that the parsed line names. Throws std::runtime_error with the
// reason when it cannot be read or decoded.
SampleTable ReadSource(const CommandLine& line);

// args[0] is the command's name. Both return the exit status and throw UsageError for a bad
// command line and std::exception (with the reason) for a source or file that fails.
int ExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int StatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
