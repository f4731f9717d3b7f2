// The download archive: one SQLite file that keeps every download, complete or interrupted, with
// its raw text unaltered. The windows and velmorante-cli share it; several programs may read and
// write it at once (write-ahead log, a busy time-out, every write in one short transaction).
// Every archived download is committed and synced to disk before Add returns.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ArchiveFile.h"
#include "archive/AuditTrail.h"
#include "archive/DownloadRecord.h"
#include "archive/Sqlite.h"

class DownloadArchive {
 public:
  // Opens the archive at `path`. For writing, a missing file (and its folder) is created and the
  // tables are brought up to date; an existing file is identified by reading it first. A file
  // that is not an archive (another program's database among them), is damaged, or was written by
  // a newer program is left exactly as it is. Throws ArchiveError.
  explicit DownloadArchive(const std::string& path,
                           ArchiveAccess access = ArchiveAccess::kReadWrite);
  DownloadArchive(const DownloadArchive&) = delete;
  DownloadArchive& operator=(const DownloadArchive&) = delete;

  const std::string& path() const { return file_.path(); }

  // Archives a download and returns its record's id. The file is checked first: a damaged one
  // takes no writes (kDamaged). Throws ArchiveError.
  std::int64_t Add(const NewDownload& download);
  // Notes that record `id` was saved to `filePath`, after the same check. Throws ArchiveError.
  void RecordSave(std::int64_t id, const std::string& filePath,
                  std::chrono::system_clock::time_point when);

  // Every record, newest first, without the raw texts. Throws ArchiveError.
  std::vector<DownloadSummary> List();
  // One record with its raw text and saved files. Throws ArchiveError (kNoSuchRecord).
  ArchivedDownload Get(std::int64_t id);
  // Recomputes every checksum and decodes every raw text again; the records whose text no longer
  // matches its checksum or whose details (start, rate, samples, size, completeness) no longer
  // match their text. Throws ArchiveError.
  std::vector<ChecksumMismatch> Verify();

  // Appends an entry for `change` by `actor` to the audit trail, after the same check. Throws
  // ArchiveError.
  void AppendAudit(const AuditActor& actor, const AuditChange& change);
  // The audit trail's entries, oldest first; none in an archive from before it. Throws
  // ArchiveError.
  std::vector<AuditEntry> AuditEntries();

  // Whether `station` is known here: set up in the archive or named by a download. False for an
  // archive written before stations existed. Throws ArchiveError.
  bool HasStation(const std::string& station);
  // Hands the downloads that `station` took to `visit`, one at a time with its raw text, ordered by
  // their start, then their rate, then as archived; all are read in one transaction, and the text's
  // view lasts only for its call, so that no more than one text is held. Throws ArchiveError.
  using StationDownloadVisit = std::function<void(const DownloadSummary&, std::string_view raw)>;
  void ForEachStationDownload(const std::string& station, const StationDownloadVisit& visit);

 private:
  void Prepare();
  void PrepareReads();
  static DownloadSummary SummaryFrom(const SqliteStatement& row);
  // Runs `read` inside one read transaction, so that what it reads is from the same moment.
  void InOneRead(const std::function<void()>& read);

  ArchiveFile file_;  // first: its connection outlives the statements below
  SqliteStatement insertDownload_;
  SqliteStatement insertText_;
  SqliteStatement insertSave_;
  SqliteStatement list_;
  SqliteStatement one_;
  SqliteStatement text_;
  SqliteStatement savedFiles_;
  SqliteStatement allTexts_;
};
