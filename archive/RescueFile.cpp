#include "archive/RescueFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <filesystem>

#include "data/WholeFileWriter.h"

std::string RescueFilePath(const std::string& archivePath,
                           std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char name[64];
  std::strftime(name, sizeof name, "descarga-sin-archivar-%Y%m%dT%H%M%SZ", &utc);
  const std::filesystem::path folder = std::filesystem::path(archivePath).parent_path();
  return (folder / (std::string(name) + ".txt")).string();
}

std::optional<std::string> WriteRescueFile(const std::string& archivePath, std::string_view rawText,
                                           std::chrono::system_clock::time_point when, int& error) {
  const std::string first = RescueFilePath(archivePath, when);
  std::string path = first;
  // Two downloads rescued within a second keep both files.
  struct stat existing {};
  for (int n = 2; ::lstat(path.c_str(), &existing) == 0 && n < 1000; ++n) {
    path = first.substr(0, first.size() - 4) + "-" + std::to_string(n) + ".txt";
  }
  const WriteResult result = WriteWholeFile(path, rawText);
  if (result.ok()) return result.target;
  error = result.error != 0 ? result.error : EIO;
  return std::nullopt;
}
