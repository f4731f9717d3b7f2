#include "archive/ArchivePath.h"

#include <cstdlib>

std::string DefaultArchivePath(const EnvironmentLookup& environment) {
  const std::string chosen = environment("VELMORANTE_ARCHIVE");
  if (!chosen.empty()) return chosen;
  std::string dataHome = environment("XDG_DATA_HOME");
  // The base directory specification asks for an absolute path and to ignore any other.
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
