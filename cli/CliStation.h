// Stations from the command line: `station add`, `set`, `list`, `remove` and `status` keep a
// station's settings in the archive and show what its running service saw last.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// Which running station of the archive at `archivePath` holds `port`, for the message of a busy
// port: "station 'camara1' (process 4242)"; empty when none does (or the archive cannot be read).
std::string StationHoldingPort(const std::string& archivePath, const std::string& port);

// `station SUBCOMMAND ...` (args[0] is "station"). Returns the exit status.
int StationCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
