// The download archive from the command line: `history` lists, shows and verifies the archived
// downloads, and `download` keeps what it receives there (complete or as far as it came).
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "archive/DownloadRecord.h"
#include "cli/CliArguments.h"

class ArchiveError;
class CliSession;

namespace cli {

// The archive's problem in a sentence in the user's language, then the detail in the words of the
// system or the database.
std::string ArchiveProblemText(const ArchiveError& error);

// `history [--json]`, `history show ID [--out FILE] [--raw FILE]`, `history verify`, each with
// `--archive FILE`. Returns the exit status.
int History(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// What `download` does with the archive: --archive FILE chooses it, --no-archive skips it. A
// failure to archive is said on the error stream and makes the exit status 1, but never keeps
// the table from being printed or saved.
class DownloadArchiving {
 public:
  DownloadArchiving(const CommandLine& line, std::string port, bool wholeMemory);

  // The logger's clock from the reply before the download (local logger time, ISO) and its
  // drift from the computer's (seconds), kept with the download.
  void SetLoggerClock(std::string clock, std::optional<std::int64_t> driftSeconds) {
    loggerClock_ = std::move(clock);
    clockDrift_ = driftSeconds;
  }
  // Archives the text received; an empty text is not kept. Says where it went on `err`.
  void Keep(const std::string& text, EndReason reason, std::ostream& err);
  // Why a download that `session` was running ended without its end marker.
  static EndReason ReasonOf(const CliSession& session);
  // Notes that the archived download was saved to `file`.
  void NoteSaved(const std::string& file, std::ostream& err);
  bool Failed() const { return failed_; }

 private:
  // Keeps a text the archive did not take in a file beside it, unless --raw keeps it already.
  void Rescue(const std::string& text, std::chrono::system_clock::time_point when,
              std::ostream& err);

  bool enabled_;
  std::string path_;
  std::string port_;
  DownloadKind kind_;
  std::optional<std::int64_t> id_;
  bool keptElsewhere_;
  bool failed_ = false;
  std::string loggerClock_;
  std::optional<std::int64_t> clockDrift_;
};

}  // namespace cli
