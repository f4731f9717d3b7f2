// Where the download archive lives: the file named by VELMORANTE_ARCHIVE, else
// $XDG_DATA_HOME/velmorante/descargas.sqlite, else ~/.local/share/velmorante/descargas.sqlite.
#pragma once

#include <functional>
#include <string>

// Reads one environment variable; empty when it is not set.
using EnvironmentLookup = std::function<std::string(const char* name)>;

std::string DefaultArchivePath(const EnvironmentLookup& environment);
// The same from the process's own environment.
std::string DefaultArchivePath();
