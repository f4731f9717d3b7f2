// What the windows ask of a central archive (a postgresql:// archive location): its downloads,
// stations, alarms, calibrations and audit trails are read from the server; what the window
// program itself archives (its downloads, its audit entries) goes to this computer's own archive
// file, which a sync pushes on. Acknowledging and signing are done at the station's archive.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveModule.h"

std::unique_ptr<ArchiveStore> OpenCentralStore(const std::string& url);
// Every station of the central archive (without a status: that stays at each station), with the
// calibration that applies from the latest time.
std::vector<StationView> ReadCentralStations(const std::string& url);
// The station's rule as its last rule change in the audit trail set it.
std::optional<AlarmRule> ReadCentralAlarmRule(const std::string& url, const std::string& station);
// The archive file the window program archives into while it reads a central archive.
std::string LocalArchivePathBesideCentral();
