// The central archive from the command line: `central init URL` makes its tables and roles on a
// PostgreSQL server, and `sync --central URL` pushes the local archive to it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// `url` when it is a PostgreSQL URL without a password; throws UsageError otherwise.
std::string CheckedCentralUrl(const std::string& url);

// `central init URL` (args[0] is "central"). Returns the exit status.
int CentralCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// `sync --central URL [--archive FILE] [--json]`. Returns 0 when everything was pushed, 1 when the
// server could not be reached or refused (what was committed stays, the rest waits).
int SyncCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
