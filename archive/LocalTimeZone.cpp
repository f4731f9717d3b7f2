// Finding the computer's time zone name.
#include "archive/LocalTimeZone.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

// "+01:00" for the present local offset.
std::string OffsetNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const long offset = local.tm_gmtoff;
  const long magnitude = offset < 0 ? -offset : offset;
  char text[48];
  std::snprintf(text, sizeof text, "%c%02ld:%02ld", offset < 0 ? '-' : '+', magnitude / 3600,
                magnitude % 3600 / 60);
  return text;
}

// A name of the zone database: letters, digits and "/_-+", never starting with '/' or holding "..".
bool LooksLikeZoneName(const std::string& name) {
  if (name.empty() || name.front() == '/' || name.find("..") != std::string::npos) return false;
  for (const char c : name) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '/' || c == '_' || c == '-' || c == '+';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

std::string ZoneNameOfPath(const std::string& path) {
  const std::string marker = "zoneinfo/";
  const std::size_t at = path.rfind(marker);
  if (at == std::string::npos) return "";
  const std::string name = path.substr(at + marker.size());
  return LooksLikeZoneName(name) ? name : "";
}

std::string LocalTimeZoneName() {
  if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
    // ":Europe/Madrid", "Europe/Madrid", or a file of the zone database.
    std::string name = tz[0] == ':' ? tz + 1 : tz;
    if (!name.empty() && name.front() == '/') name = ZoneNameOfPath(name);
    // A POSIX rule such as "CET-1CEST" names no zone of the database: the offset says more.
    const bool rule = name.find('/') == std::string::npos &&
                      name.find_first_of("0123456789") != std::string::npos;
    return LooksLikeZoneName(name) && !rule ? name : OffsetNow();
  }
  std::error_code error;
  const std::filesystem::path target = std::filesystem::read_symlink("/etc/localtime", error);
  if (!error) {
    const std::string name = ZoneNameOfPath(target.string());
    if (!name.empty()) return name;
  }
  std::ifstream file("/etc/timezone");
  std::string name;
  if (file && std::getline(file, name) && LooksLikeZoneName(name)) return name;
  return OffsetNow();
}
