// Compiled into programs that link the archive code directly (tests, benchmarks): the windows then
// use that code instead of opening the module's file.
#include "archive/ArchiveModule.h"
#include "window_base/ModuleLoader.h"

namespace {

[[maybe_unused]] const bool registered = [] {
  RegisterBuiltInModule("velmorante-archive",
                        [] { return static_cast<void*>(&DiskArchiveModule()); });
  return true;
}();

}  // namespace
