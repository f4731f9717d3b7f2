// The commands that work on downloaded data rather than on the logger: `export` (csv, csv-es or
// json) and `stats` (the summary, as text or JSON, with optional limits).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// args[0] is the command's name. Both return the exit status and throw UsageError for a bad
// command line and std::exception (with the reason) for a source or file that fails.
int ExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int StatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
