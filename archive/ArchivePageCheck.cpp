#include "archive/ArchivePageCheck.h"

#include "archive/ArchiveFile.h"
#include "archive/Sqlite.h"

namespace {

// Enough of SQLite's findings to say what is damaged without flooding the terminal.
constexpr int kMostProblems = 20;

}  // namespace

void CheckArchivePages(const std::string& path) {
  ArchiveFile file(path, ArchiveAccess::kReadOnly);
  if (file.empty()) return;
  std::string problems;
  try {
    SqliteStatement check(
        file.connection(),
        ("PRAGMA integrity_check(" + std::to_string(kMostProblems) + ")").c_str());
    SqliteStatement::Use use(check);
    while (check.Step()) {
      const std::string row = check.Text(0);
      if (row != "ok") problems += (problems.empty() ? "" : "; ") + row;
    }
  } catch (const ArchiveError& error) {
    // A page too damaged for the check to walk past it; a busy or unreadable file is no finding.
    if (error.kind() != ArchiveError::Kind::kDamaged) throw;
    problems += (problems.empty() ? "" : "; ") + std::string(error.what());
  }
  if (!problems.empty())
    throw ArchiveError(ArchiveError::Kind::kDamaged, path + ": damaged (" + problems + ")");
}
