#include "archive/ArchivePath.h"

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
