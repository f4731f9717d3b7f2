#include "cli/OutputTargets.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "archive/ArchivePath.h"
#include "central/CentralSchema.h"
#include "cli/AtomicFile.h"
#include "cli/Translate.h"
#include "data/WholeFileWriter.h"

namespace cli {
namespace {

// The archive's name and whether the user gave it (--archive, VELMORANTE_ARCHIVE), unchecked.
std::string ArchiveLocationOf(const CommandLine& line, bool* named = nullptr) {
  if (line.Has("--archive")) {
    if (named) *named = true;
    return line.Value("--archive");
  }
  const char* chosen = std::getenv("VELMORANTE_ARCHIVE");
  if (named) *named = chosen != nullptr && *chosen != '\0';
  return DefaultArchivePath();
}

}  // namespace

std::string ArchivePathOf(const CommandLine& line) {
  const std::string path = ArchiveLocationOf(line);
  if (!ArchiveKeepsNothing(path)) return path;
  const std::string given = line.Has("--archive") ? "--archive" : "VELMORANTE_ARCHIVE";
  throw UsageError(Format(_("%s '%s' names no archive file: nothing would be kept there; give "
                            "the path of the archive file"),
                          given, path));
}

std::string ReadArchivePathOf(const CommandLine& line) {
  bool named = false;
  ArchiveLocationOf(line, &named);
  const std::string path = ArchivePathOf(line);
  if (named && !IsCentralLocation(path) && !std::filesystem::exists(path))
    throw std::runtime_error(Format(_("no archive at %s"), path));
  return path;
}

void RefuseArchiveTargets(const CommandLine& line, const std::vector<std::string>& options) {
  // A command that keeps no archive (decode) still never writes over the usual one.
  const std::string archive = ArchiveLocationOf(line);
  const bool keeps = !ArchiveKeepsNothing(archive);
  for (const std::string& option : options) {
    if (!line.Has(option)) continue;
    const std::string target = line.Value(option);
    bool isArchive = IsDatabaseFile(target);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
      isArchive = isArchive || (keeps && SameFile(target, archive + suffix));
    if (isArchive) throw DatabaseTargetError(DatabaseTargetText(target));
  }
}

void RefuseInputTargets(const CommandLine& line, const std::string& input,
                        const std::vector<std::string>& options) {
  for (const std::string& option : options) {
    if (line.Has(option) && SameFile(line.Value(option), input)) {
      throw UsageError(Format(_("%s names the file '%s' that is read; it would be replaced by "
                                "what is written, nothing was written"),
                              option, input));
    }
  }
}

}  // namespace cli
