#include "data/FileIdentity.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace {

// A path with its symbolic links followed, also when the file (or the link's target) does not
// exist yet: the file that a write to `path` would replace.
std::filesystem::path ResolvedPath(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path resolved = fs::absolute(path, error);
  for (int links = 0; links < 40 && fs::is_symlink(fs::symlink_status(resolved, error)); ++links) {
    const fs::path target = fs::read_symlink(resolved, error);
    if (error) break;
    resolved = target.is_absolute() ? target : resolved.parent_path() / target;
  }
  return fs::weakly_canonical(resolved, error).lexically_normal();
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first = {};
  struct stat second = {};
  if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0) {
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  }
  return ResolvedPath(a) == ResolvedPath(b);
}
