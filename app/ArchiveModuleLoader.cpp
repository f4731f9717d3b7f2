// Finds the archive module through the program's module loader.
#include "app/ArchiveModuleLoader.h"

#include "archive/ArchiveModule.h"
#include "window_base/ModuleLoader.h"

ArchiveModule& LoadArchiveModule() {
  return *static_cast<ArchiveModule*>(LoadModule("velmorante-archive", "VelmoranteArchiveModule"));
}
