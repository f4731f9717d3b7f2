// A site's mapping read from an archive through the archive module's interface, one station's
// record at a time, so that any archive the module serves is mapped the same way.
#pragma once

#include <string>
#include <vector>

#include "analysis/SiteMapping.h"
#include "archive/ArchiveModule.h"

namespace analysis {

// Every station of the archive at `path`, by name: those it keeps settings for and those named by
// its downloads (a station removed since keeps its downloads). Throws ArchiveError.
std::vector<std::string> SiteStations(ArchiveModule& module, ArchiveStore& store,
                                      const std::string& path);

// The rows of `stations`, in that order, with the extremes marked: each station's corrected record
// from `store` and its alarm rule from `module`'s archive at `path`. A station the archive does not
// know is a row without samples. Throws ArchiveError.
std::vector<StationMapping> ReadSiteMapping(ArchiveModule& module, ArchiveStore& store,
                                            const std::string& path,
                                            const std::vector<std::string>& stations,
                                            const MappingPeriod& period);

}  // namespace analysis
