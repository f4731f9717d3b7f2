// Where a download goes when the archive cannot take it: a file beside the archive, named by the
// moment it came, holding the characters exactly as received. It opens like any captured download
// (velmorante-cli decode, HISTORIAL's ABRIR ARCHIVO…), so nothing received is ever lost.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// ".../descarga-sin-archivar-20261208T101500Z.txt" in the archive's folder.
std::string RescueFilePath(const std::string& archivePath,
                           std::chrono::system_clock::time_point when);

// Writes `rawText` to RescueFilePath (another name when that one is taken). Returns the path, or
// nullopt with `error` set to the system's errno.
std::optional<std::string> WriteRescueFile(const std::string& archivePath, std::string_view rawText,
                                           std::chrono::system_clock::time_point when, int& error);
