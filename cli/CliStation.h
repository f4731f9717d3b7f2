// Stations from the command line: `station add`, `set`, `list`, `remove` and `status` keep a
// station's settings in the archive and show what its running service saw last.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// `station SUBCOMMAND ...` (args[0] is "station"). Returns the exit status.
int StationCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
