// `mapping --from DATE --to DATE [--station NAME]... [--json]`: every station of the archive side
// by side over a period, to find a site's hottest, coldest, most humid and driest places.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// args[0] is "mapping". Returns the exit status; throws UsageError for a bad command line and
// std::exception (with the reason) for an archive that cannot be read or a station it lacks.
int MappingCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
