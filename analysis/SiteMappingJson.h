// The site's mapping as JSON, for programs: one object per station.
#pragma once

#include <string>
#include <vector>

#include "analysis/SiteMapping.h"

namespace analysis {

// An array with one object per row, in order: {"station", "rule" (whether the station has one),
// "humidity" and "temperature" (each {"count", "min", "max", "mean", "minutes_outside",
// "minutes_outside_warning"}), "hottest", "coldest", "most_humid", "driest"}. Figures are exact;
// a figure that does not exist (no samples, no limit set) is null. One station per line.
std::string SiteMappingJson(const std::vector<StationMapping>& rows);

}  // namespace analysis
