#include "cli/ArchiveTargets.h"

#include <filesystem>
#include <system_error>

#include "archive/ArchivePath.h"
#include "cli/AtomicFile.h"
#include "data/WholeFileWriter.h"

namespace cli {
namespace {

// The path with links and dot components resolved as far as it exists; the path itself when even
// that fails.
std::filesystem::path Resolved(const std::string& path) {
  std::error_code error;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  return error ? std::filesystem::absolute(path, error) : resolved;
}

}  // namespace

std::string ArchivePathOf(const CommandLine& line) {
  return line.Has("--archive") ? line.Value("--archive") : DefaultArchivePath();
}

void RefuseArchiveTargets(const CommandLine& line, const std::vector<std::string>& options) {
  const std::string archive = ArchivePathOf(line);
  std::vector<std::filesystem::path> archiveFiles;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    archiveFiles.push_back(Resolved(archive + suffix));
  for (const std::string& option : options) {
    if (!line.Has(option)) continue;
    const std::string target = line.Value(option);
    bool isArchive = IsDatabaseFile(target);
    const std::filesystem::path resolved = Resolved(target);
    for (const std::filesystem::path& file : archiveFiles)
      isArchive = isArchive || resolved == file;
    if (isArchive) throw DatabaseTargetError(DatabaseTargetText(target));
  }
}

}  // namespace cli
