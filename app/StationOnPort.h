// A port that will not open may be held by a station's service: these find that station among the
// archive's and say so in Spanish, with how to stop it.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "archive/ArchiveModule.h"

// The name of the running station whose port is `port` or the same device (both paths resolved);
// empty when none is.
std::string RunningStationOnPort(const std::vector<StationView>& stations, const std::string& port,
                                 std::chrono::system_clock::time_point now);

// The same, read from the archive at `archivePath` through the archive module; empty when there
// is no archive or it cannot be read (the caller then gives its usual message).
std::string RunningStationOnPort(const std::string& archivePath, const std::string& port);

// "El puerto PORT lo usa la estación NAME, que está funcionando. ..." with the command that stops
// it.
std::string StationHoldsPortText(const std::string& port, const std::string& station);
