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

// Whether an archive named `location` would keep nothing: an empty name (SQLite makes a temporary
// database of it), ":memory:", or a "file:" URI (an in-memory or temporary database, or a file at
// another place than the name reads). Such a name is refused, never archived into.
bool ArchiveKeepsNothing(const std::string& location);
