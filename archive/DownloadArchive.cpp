#include "archive/DownloadArchive.h"

#include <sqlite3.h>

#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <system_error>

#include "archive/ArchiveFileCheck.h"
#include "archive/ArchiveSchema.h"
#include "archive/RecordDetailsCheck.h"
#include "archive/Sha256.h"
#include "data/SampleDecoder.h"
#include "data/StartTexts.h"

namespace {

// Long enough for another program's write (a few milliseconds) and a checkpoint.
constexpr int kBusyTimeoutMs = 10000;

// The columns of a listed record, in the order SummaryFrom reads them, from tables of
// `version`: an archive opened read-only may be of an older one, which is read as the present one.
std::string SummaryColumns(int version) {
  const std::string start = version >= 2 ? "d.start" : Version1StartOfD();
  const std::string rate = version >= 2 ? "d.rate_minutes" : Version1RateOfD();
  return "d.id, d.received_at, d.port, d.program, d.kind, d.reason, d.sha256, d.size, " + start +
         ", " + rate +
         ", d.samples, d.decode_error,"
         " (SELECT count(*) FROM saved_files s WHERE s.download_id = d.id), " +
         (version >= 3 ? "d.station" : "NULL");
}

// "file:" and the absolute path with the characters a URI reserves escaped.
std::string FileUri(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const unsigned char c : std::filesystem::absolute(path).string()) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0x0f];
    }
  }
  return uri;
}

// The raw text's column, after the listed ones, in the query that verifies the archive.
constexpr int kRawColumn = 14;

void MakeFolderFor(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) return;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    throw ArchiveError(ArchiveError::Kind::kCannotOpen,
                       "cannot make the folder " + folder.string() + ": " + error.message());
  }
}

}  // namespace

DownloadArchive::DownloadArchive(const std::string& path, ArchiveAccess access) : path_(path) {
  if (std::optional<ArchiveError> problem = CheckArchiveFile(path)) throw *problem;
  struct stat info {};
  const bool holdsData = ::stat(path.c_str(), &info) == 0 && info.st_size > 0;
  if (holdsData) {
    OpenExisting(access);
  } else if (access == ArchiveAccess::kReadOnly) {
    readOnly_ = true;
    // Nothing to read, and reading never creates a file: an archive without records.
    if (!std::filesystem::exists(path)) {
      throw ArchiveError(ArchiveError::Kind::kCannotOpen, path + ": no archive there");
    }
    empty_ = true;
  } else {
    OpenForWriting();
  }
}

ArchiveIdentity DownloadArchive::OpenToRead() {
  connection_.Open(path_, SQLITE_OPEN_READONLY);
  sqlite3_busy_timeout(connection_.handle(), kBusyTimeoutMs);
  try {
    return IdentifyArchive(connection_);
  } catch (const ArchiveError& error) {
    // A database in write-ahead-log mode is read with a shared-memory file beside it. Where that
    // file cannot be made (a read-only folder, a full disk) and no log waits to be applied, the
    // file alone is the whole database: it is read as a file that nothing changes.
    if (error.FileIsUnusable() || std::filesystem::exists(path_ + "-wal")) throw;
    connection_.Open(FileUri(path_) + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
    return IdentifyArchive(connection_);
  }
}

void DownloadArchive::OpenExisting(ArchiveAccess access) {
  // Read first, so that nothing (not even the journal mode) changes in a file that turns out not to
  // be an archive of a version this program knows.
  const ArchiveIdentity identity = OpenToRead();
  ThrowUnlessUsable(identity);
  if (access == ArchiveAccess::kReadOnly) {
    readOnly_ = true;
    schemaVersion_ = identity.version;
    if (identity.kind == ArchiveIdentity::Kind::kEmpty) {
      empty_ = true;
      connection_.Close();
      return;
    }
    Prepare();
    return;
  }
  connection_.Close();
  OpenForWriting();
}

void DownloadArchive::ThrowUnlessUsable(const ArchiveIdentity& identity) const {
  if (identity.kind == ArchiveIdentity::Kind::kForeign) {
    throw ArchiveError(ArchiveError::Kind::kNotAnArchive,
                       path_ + ": a database with other tables, not a download archive");
  }
  if (identity.version > kArchiveSchemaVersion) {
    throw ArchiveError(ArchiveError::Kind::kNewerVersion,
                       path_ + ": written by a newer program (archive version " +
                           std::to_string(identity.version) + ", this program knows up to " +
                           std::to_string(kArchiveSchemaVersion) + ")");
  }
}

void DownloadArchive::OpenForWriting() {
  MakeFolderFor(path_);
  connection_.Open(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  sqlite3_busy_timeout(connection_.handle(), kBusyTimeoutMs);
  // Again on this connection: another program may have written the file in the meantime.
  const ArchiveIdentity identity = IdentifyArchive(connection_);
  ThrowUnlessUsable(identity);
  const bool upToDate = identity.kind == ArchiveIdentity::Kind::kArchive && identity.marked &&
                        identity.version == kArchiveSchemaVersion;
  schemaVersion_ = identity.version;
  if (!connection_.IsReadOnly()) {
    connection_.Execute("PRAGMA journal_mode = WAL");
    connection_.Execute("PRAGMA synchronous = FULL");
    if (!upToDate) MigrateArchive(connection_);
    schemaVersion_ = kArchiveSchemaVersion;
  } else if (identity.kind != ArchiveIdentity::Kind::kArchive) {
    throw ArchiveError(ArchiveError::Kind::kCannotWrite, path_ + ": read-only and not yet set up");
  } else if (identity.version < kArchiveSchemaVersion) {
    // A file that cannot be written cannot be migrated either: it is read as it is.
    readOnly_ = true;
  }
  connection_.Execute("PRAGMA foreign_keys = ON");
  Prepare();
}

void DownloadArchive::ThrowIfReadOnly() const {
  if (readOnly_) {
    throw ArchiveError(ArchiveError::Kind::kCannotWrite, path_ + ": opened for reading only");
  }
}

void DownloadArchive::CheckBeforeWriting() {
  // SQLite's own check of every page and index; a write into a damaged file could spread the
  // damage over what is still whole.
  SqliteStatement::Use use(quickCheck_);
  std::string problems;
  while (quickCheck_.Step()) {
    const std::string row = quickCheck_.Text(0);
    if (row == "ok") continue;
    problems += (problems.empty() ? "" : "; ") + row;
  }
  if (!problems.empty()) {
    throw ArchiveError(ArchiveError::Kind::kDamaged, path_ + ": damaged (" + problems + ")");
  }
}

void DownloadArchive::Prepare() {
  PrepareReads();
  if (readOnly_) return;
  insertDownload_ = SqliteStatement(
      connection_,
      "INSERT INTO downloads (received_at, port, program, kind, reason, sha256, size, start,"
      " rate_minutes, samples, decode_error, station, logger_clock, clock_drift_s)"
      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  insertText_ =
      SqliteStatement(connection_, "INSERT INTO download_texts (download_id, raw) VALUES (?, ?)");
  insertSave_ = SqliteStatement(
      connection_, "INSERT INTO saved_files (download_id, path, saved_at) VALUES (?, ?, ?)");
  quickCheck_ = SqliteStatement(connection_, "PRAGMA quick_check(20)");
}

void DownloadArchive::PrepareReads() {
  const std::string columns = SummaryColumns(schemaVersion_);
  list_ = SqliteStatement(connection_,
                          ("SELECT " + columns + " FROM downloads d ORDER BY d.id DESC").c_str());
  one_ = SqliteStatement(connection_,
                         ("SELECT " + columns + " FROM downloads d WHERE d.id = ?").c_str());
  text_ = SqliteStatement(connection_, "SELECT raw FROM download_texts WHERE download_id = ?");
  savedFiles_ = SqliteStatement(
      connection_, "SELECT path, saved_at FROM saved_files WHERE download_id = ? ORDER BY id");
  allTexts_ = SqliteStatement(connection_, ("SELECT " + columns +
                                            ", t.raw FROM downloads d LEFT JOIN download_texts t"
                                            " ON t.download_id = d.id ORDER BY d.id")
                                               .c_str());
}

std::int64_t DownloadArchive::Add(const NewDownload& download) {
  const SampleTable table = SampleDecoder().Decode(download.rawText);
  ThrowIfReadOnly();
  SqliteWriteTransaction transaction(connection_);
  CheckBeforeWriting();
  std::int64_t id = 0;
  {
    SqliteStatement::Use use(insertDownload_);
    insertDownload_.BindText(1, UtcText(download.receivedAt));
    insertDownload_.BindText(2, download.port);
    insertDownload_.BindText(3, download.program);
    insertDownload_.BindText(4, KindCode(download.kind));
    insertDownload_.BindText(5, ReasonCode(download.reason));
    insertDownload_.BindText(6, Sha256Hex(download.rawText));
    insertDownload_.Bind(7, static_cast<std::int64_t>(download.rawText.size()));
    if (table.start) insertDownload_.BindText(8, StartIsoText(*table.start));
    if (table.rateMinutes > 0) insertDownload_.Bind(9, std::int64_t{table.rateMinutes});
    insertDownload_.Bind(10, static_cast<std::int64_t>(table.samples.size()));
    insertDownload_.BindText(11, table.error.value_or(""));
    if (!download.station.empty()) insertDownload_.BindText(12, download.station);
    if (!download.loggerClock.empty()) insertDownload_.BindText(13, download.loggerClock);
    if (download.clockDriftSeconds) insertDownload_.Bind(14, *download.clockDriftSeconds);
    insertDownload_.Step();
    id = sqlite3_last_insert_rowid(connection_.handle());
  }
  {
    SqliteStatement::Use use(insertText_);
    insertText_.Bind(1, id);
    insertText_.BindBlob(2, download.rawText);
    insertText_.Step();
  }
  transaction.Commit();
  return id;
}

void DownloadArchive::RecordSave(std::int64_t id, const std::string& filePath,
                                 std::chrono::system_clock::time_point when) {
  ThrowIfReadOnly();
  SqliteWriteTransaction transaction(connection_);
  CheckBeforeWriting();
  {
    SqliteStatement::Use use(insertSave_);
    insertSave_.Bind(1, id);
    insertSave_.BindText(2, filePath);
    insertSave_.BindText(3, UtcText(when));
    insertSave_.Step();
  }
  transaction.Commit();
}

DownloadSummary DownloadArchive::SummaryFrom(const SqliteStatement& row) {
  DownloadSummary summary;
  summary.id = row.Integer(0);
  summary.receivedAt = row.Text(1);
  summary.port = row.Text(2);
  summary.program = row.Text(3);
  summary.kind = KindFromCode(row.Text(4)).value_or(DownloadKind::kNormal);
  // A reason this program does not know (from a newer one) still marks the record interrupted.
  summary.reason = ReasonFromCode(row.Text(5)).value_or(EndReason::kLineLost);
  summary.sha256 = row.Text(6);
  summary.size = row.Integer(7);
  // A start that is not in the archive's form reads as none, which verifying then reports.
  if (!row.IsNull(8)) summary.start = StartFromIsoText(row.Text(8));
  summary.rateMinutes = row.IsNull(9) ? 0 : static_cast<int>(row.Integer(9));
  summary.samples = row.Integer(10);
  summary.decodeError = row.Text(11);
  summary.savedCount = row.Integer(12);
  if (!row.IsNull(13)) summary.station = row.Text(13);
  return summary;
}

std::vector<DownloadSummary> DownloadArchive::List() {
  std::vector<DownloadSummary> records;
  if (empty_) return records;
  SqliteStatement::Use use(list_);
  while (list_.Step()) records.push_back(SummaryFrom(list_));
  return records;
}

void DownloadArchive::InOneRead(const std::function<void()>& read) {
  connection_.Execute("BEGIN");
  struct EndRead {
    SqliteConnection& connection;
    ~EndRead() {
      try {
        connection.Execute("COMMIT");
      } catch (const ArchiveError&) {
        // A read-only transaction has nothing to lose.
      }
    }
  } endRead{connection_};
  read();
}

ArchivedDownload DownloadArchive::Get(std::int64_t id) {
  ArchivedDownload record;
  if (empty_) {
    throw ArchiveError(ArchiveError::Kind::kNoSuchRecord,
                       "no download " + std::to_string(id) + " in the archive");
  }
  InOneRead([&] {
    {
      SqliteStatement::Use use(one_);
      one_.Bind(1, id);
      if (!one_.Step()) {
        throw ArchiveError(ArchiveError::Kind::kNoSuchRecord,
                           "no download " + std::to_string(id) + " in the archive");
      }
      record.summary = SummaryFrom(one_);
    }
    {
      SqliteStatement::Use use(text_);
      text_.Bind(1, id);
      if (text_.Step()) record.rawText = std::string(text_.Blob(0));
    }
    {
      SqliteStatement::Use use(savedFiles_);
      savedFiles_.Bind(1, id);
      while (savedFiles_.Step())
        record.savedFiles.push_back({savedFiles_.Text(0), savedFiles_.Text(1)});
    }
  });
  return record;
}

bool DownloadArchive::HasStation(const std::string& station) {
  if (empty_ || schemaVersion_ < 3) return false;
  SqliteStatement query(connection_,
                        "SELECT EXISTS (SELECT 1 FROM stations WHERE name = ?1)"
                        " OR EXISTS (SELECT 1 FROM downloads WHERE station = ?1)");
  SqliteStatement::Use use(query);
  query.BindText(1, station);
  query.Step();
  return query.Integer(0) != 0;
}

void DownloadArchive::ForEachStationDownload(const std::string& station,
                                             const StationDownloadVisit& visit) {
  if (empty_ || schemaVersion_ < 3) return;
  SqliteStatement query(connection_, ("SELECT " + SummaryColumns(schemaVersion_) +
                                      ", t.raw FROM downloads d LEFT JOIN download_texts t"
                                      " ON t.download_id = d.id WHERE d.station = ?"
                                      " ORDER BY d.start, d.rate_minutes, d.id")
                                         .c_str());
  InOneRead([&] {
    SqliteStatement::Use use(query);
    query.BindText(1, station);
    while (query.Step()) {
      visit(SummaryFrom(query),
            query.IsNull(kRawColumn) ? std::string_view() : query.Blob(kRawColumn));
    }
  });
}

std::vector<ChecksumMismatch> DownloadArchive::Verify() {
  std::vector<ChecksumMismatch> mismatches;
  if (empty_) return mismatches;
  SqliteStatement::Use use(allTexts_);
  while (allTexts_.Step()) {
    const DownloadSummary record = SummaryFrom(allTexts_);
    // A record whose text is missing gets the checksum of nothing, which never matches a download.
    const std::string_view raw =
        allTexts_.IsNull(kRawColumn) ? std::string_view() : allTexts_.Blob(kRawColumn);
    const std::string actual = Sha256Hex(raw);
    if (actual != record.sha256) {
      mismatches.push_back({record.id, ChecksumMismatch::Part::kChecksum, record.sha256, actual});
    } else if (std::optional<DetailMismatch> wrong = CompareDetails(record, raw)) {
      mismatches.push_back(
          {record.id, ChecksumMismatch::Part::kDetails, wrong->recorded, wrong->fromText});
    }
  }
  return mismatches;
}
