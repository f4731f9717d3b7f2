// The central archive a station pushes to, kept in the archive file beside its other settings.
#pragma once

#include <optional>
#include <string>

// The URL station `station` pushes to; none when it pushes nowhere, there is no file, or the file
// is older than pushing. Reads without changing the file. Throws ArchiveError.
std::optional<std::string> StationCentralUrl(const std::string& archivePath,
                                             const std::string& station);
// Keeps `url` for `station` (an empty one: pushes nowhere). Throws ArchiveError.
void SetStationCentralUrl(const std::string& archivePath, const std::string& station,
                          const std::string& url);
