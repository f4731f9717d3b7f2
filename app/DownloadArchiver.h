// The main window's archiving step: every download is archived the moment it ends, a complete one
// before the data window opens, an interrupted one as far as it came. A failure to archive never
// keeps the data from the operator: one Spanish message says the download was not archived and
// why, over whatever window is then in front, and names the rescue file beside the archive that
// keeps the characters received. An archive file that cannot be used as it stands (damaged,
// foreign, from a newer version) is left untouched and its cause reported once; the program then
// goes on without an archive.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "archive/DownloadRecord.h"

class ArchiveStore;
struct AuditChange;
class QWidget;
class TForm5;

class DownloadArchiver {
 public:
  using Clock = std::function<std::chrono::system_clock::time_point()>;

  // An empty `archivePath` turns archiving off. `parent` is the window the messages belong to.
  DownloadArchiver(std::string archivePath, std::string program, Clock clock, QWidget* parent);
  ~DownloadArchiver();

  // Uses the archive at `archivePath` from now on (empty: none).
  void SetPath(const std::string& archivePath);

  // A download command went out on `port`.
  void Started(const std::string& port, bool wholeMemory);
  // The logger's clock from the reply before the running download (local logger time, ISO) and
  // its drift from the computer's (seconds), kept with it.
  void SetLoggerClock(std::string clock, std::optional<std::int64_t> driftSeconds) {
    loggerClock_ = std::move(clock);
    clockDrift_ = driftSeconds;
  }
  // The download running ended without its end marker; nothing happens when none runs.
  void Interrupted(const std::string& text, EndReason reason);
  // The end marker came: archives the text, and has `data` note the files its table is saved to.
  void Completed(const std::string& text, TForm5* data);

  // The archive, opened at first use (loading the archive module then); nullptr when there is
  // none (ProblemText() says why).
  ArchiveStore* Archive();
  const QString& ProblemText() const { return problem_; }
  const std::string& path() const { return path_; }
  // Notes that record `id` was saved to `file`; a failure is reported like any other.
  void NoteSaved(std::int64_t id, const QString& file);
  // Appends `change` by this program to the archive's audit trail; a failure is reported like
  // any other. Nothing happens when archiving is off.
  void NoteInAuditTrail(const AuditChange& change);

 private:
  std::optional<std::int64_t> Keep(const std::string& text, EndReason reason);
  // Says that a download was not archived and why, after keeping its text in a rescue file
  // beside the archive, which the message names.
  void ReportNotArchived(const QString& cause, const std::string& text,
                         std::chrono::system_clock::time_point receivedAt);
  void Report(const QString& text);

  std::string path_;
  std::string program_;
  Clock clock_;
  std::string loggerClock_;
  std::optional<std::int64_t> clockDrift_;
  QWidget* parent_;
  std::unique_ptr<ArchiveStore> archive_;
  bool unusable_ = false;  // the file (or the module) is left alone for the rest of the run
  bool unusableReported_ = false;
  QString problem_;
  bool running_ = false;
  std::string port_;
  DownloadKind kind_ = DownloadKind::kNormal;
};

// The main window's archiver: the computer's clock, this program's name and version.
std::unique_ptr<DownloadArchiver> MakeDownloadArchiver(QWidget* parent);

// The Spanish reason an archive problem gives, naming the file.
QString ArchiveProblemText(const class ArchiveError& error, const std::string& path);
