// Reading each station's record and rule for the site's mapping.
#include "analysis/SiteMappingArchive.h"

#include <algorithm>
#include <optional>

#include "record/StoreRecord.h"

namespace analysis {

std::vector<std::string> SiteStations(ArchiveModule& module, ArchiveStore& store,
                                      const std::string& path) {
  std::vector<std::string> names;
  for (const StationView& view : module.ReadStations(path)) names.push_back(view.settings.name);
  for (const DownloadSummary& summary : store.List())
    if (!summary.station.empty()) names.push_back(summary.station);
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::vector<StationMapping> ReadSiteMapping(ArchiveModule& module, ArchiveStore& store,
                                            const std::string& path,
                                            const std::vector<std::string>& stations,
                                            const MappingPeriod& period) {
  const record::StationRecord none;
  std::vector<StationMapping> rows;
  rows.reserve(stations.size());
  // One record at a time: a year of a whole site's samples is never held at once.
  for (const std::string& station : stations) {
    const std::optional<record::StationRecord> found = record::ReadStationRecord(store, station);
    const std::optional<AlarmRule> rule = module.ReadAlarmRule(path, station);
    rows.push_back(MapStation(station, found ? *found : none, rule, period));
  }
  MarkExtremes(rows);
  return rows;
}

}  // namespace analysis
