// The download archive: one SQLite file that keeps every download, complete or interrupted, with
// its raw text unaltered. The windows and velmorante-cli share it; several programs may read and
// write it at once (write-ahead log, a busy time-out, every write in one short transaction).
// Every archived download is committed and synced to disk before Add returns.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/DownloadRecord.h"
#include "archive/Sqlite.h"

class DownloadArchive {
 public:
  // Opens the archive at `path`, creating it (and its folder) when it does not exist, and brings
  // its tables up to date. A file that is not an archive, is damaged, or was written by a newer
  // program is left exactly as it is. Throws ArchiveError.
  explicit DownloadArchive(const std::string& path);
  DownloadArchive(const DownloadArchive&) = delete;
  DownloadArchive& operator=(const DownloadArchive&) = delete;

  const std::string& path() const { return path_; }

  // Archives a download and returns its record's id. Throws ArchiveError.
  std::int64_t Add(const NewDownload& download);
  // Notes that record `id` was saved to `filePath`. Throws ArchiveError.
  void RecordSave(std::int64_t id, const std::string& filePath,
                  std::chrono::system_clock::time_point when);

  // Every record, newest first, without the raw texts. Throws ArchiveError.
  std::vector<DownloadSummary> List();
  // One record with its raw text and saved files. Throws ArchiveError (kNoSuchRecord).
  ArchivedDownload Get(std::int64_t id);
  // Recomputes every checksum; the records that no longer match. Throws ArchiveError.
  std::vector<ChecksumMismatch> Verify();

 private:
  void Prepare();
  static DownloadSummary SummaryFrom(const SqliteStatement& row);

  std::string path_;
  SqliteConnection connection_;
  SqliteStatement insertDownload_;
  SqliteStatement insertText_;
  SqliteStatement insertSave_;
  SqliteStatement list_;
  SqliteStatement one_;
  SqliteStatement text_;
  SqliteStatement savedFiles_;
  SqliteStatement allTexts_;
};
