// Finds the running station that holds a port.
#include "app/StationOnPort.h"

#include <filesystem>
#include <system_error>

#include "app/ArchiveModuleLoader.h"

namespace {

bool SameDevice(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code error;
  const std::filesystem::path first = std::filesystem::canonical(a, error);
  if (error) return false;
  const std::filesystem::path second = std::filesystem::canonical(b, error);
  return !error && first == second;
}

}  // namespace

std::string RunningStationOnPort(const std::vector<StationView>& stations, const std::string& port,
                                 std::chrono::system_clock::time_point now) {
  for (const StationView& station : stations) {
    if (!station.status || !IsStationRunning(*station.status, now)) continue;
    if (SameDevice(station.settings.port, port)) return station.settings.name;
  }
  return {};
}

std::string RunningStationOnPort(const std::string& archivePath, const std::string& port) {
  if (archivePath.empty()) return {};
  try {
    return RunningStationOnPort(LoadArchiveModule().ReadStations(archivePath), port,
                                std::chrono::system_clock::now());
  } catch (const std::exception&) {
    // An archive that cannot be read names no station; the port's own error is reported.
    return {};
  }
}

std::string StationHoldsPortText(const std::string& port, const std::string& station) {
  return "El puerto " + port + " lo usa la estación " + station +
         ", que está funcionando. Deténgala (systemctl --user stop velmorante-station@" + station +
         ") o use otro puerto.";
}
