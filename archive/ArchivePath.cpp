#include "archive/ArchivePath.h"

#include <cctype>
#include <cstdlib>

std::string DefaultArchivePath(const EnvironmentLookup& environment) {
  const std::string chosen = environment("VELMORANTE_ARCHIVE");
  if (!chosen.empty()) return chosen;
  std::string dataHome = environment("XDG_DATA_HOME");
  // XDG_DATA_HOME counts only when it is an absolute path; a relative one is ignored.
  if (dataHome.empty() || dataHome.front() != '/') {
    dataHome = environment("HOME") + "/.local/share";
  }
  return dataHome + "/velmorante/descargas.sqlite";
}

std::string DefaultArchivePath() {
  return DefaultArchivePath([](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  });
}

bool ArchiveKeepsNothing(const std::string& location) {
  if (location.empty() || location == ":memory:") return true;
  // SQLite reads "file:" in any case as a URI ("file::memory:", "file:x?mode=memory", "file:").
  static const char kUri[] = "file:";
  if (location.size() < sizeof kUri - 1) return false;
  for (std::size_t i = 0; i + 1 < sizeof kUri; ++i) {
    if (std::tolower(static_cast<unsigned char>(location[i])) != kUri[i]) return false;
  }
  return true;
}
