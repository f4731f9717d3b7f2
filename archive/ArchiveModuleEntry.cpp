// The entry of the archive module's file, which the program opens at run time.
#include "archive/ArchiveModule.h"

extern "C" __attribute__((visibility("default"))) void* VelmoranteArchiveModule() {
  return &DiskArchiveModule();
}
