#include "archive/DownloadArchive.h"

#include <sqlite3.h>

#include <nlohmann/json.hpp>

#include "archive/ArchiveSchema.h"
#include "archive/AuditTrail.h"
#include "archive/LocalTimeZone.h"
#include "archive/RecordDetailsCheck.h"
#include "archive/Sha256.h"
#include "data/SampleDecoder.h"
#include "data/StartTexts.h"

namespace {

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

// The raw text's column, after the listed ones, in the query that verifies the archive.
constexpr int kRawColumn = 14;

// The program that archives `download`, from its name and version ("velmorante-cli 3.2.0").
AuditActor ActorOf(const NewDownload& download) {
  const std::size_t space = download.program.rfind(' ');
  if (space == std::string::npos)
    return CurrentActor(download.auditProgram.empty() ? download.program : download.auditProgram,
                        "");
  return CurrentActor(
      download.auditProgram.empty() ? download.program.substr(0, space) : download.auditProgram,
      download.program.substr(space + 1));
}

// The audit entry of an archived download: what identifies the text and how it came.
AuditChange DownloadChange(std::int64_t id, const NewDownload& download, const std::string& sha256,
                           const std::string& timeZone, std::int64_t samples) {
  nlohmann::ordered_json what = {
      {"sha256", sha256},
      {"size", download.rawText.size()},
      {"samples", samples},
      {"complete", download.reason == EndReason::kNone},
      {"reason", ReasonCode(download.reason)},
      {"kind", KindCode(download.kind)},
      {"port", download.port},
      {"time_zone", timeZone},
      {"logger_clock", download.loggerClock.empty() ? nlohmann::ordered_json(nullptr)
                                                    : nlohmann::ordered_json(download.loggerClock)},
  };
  AuditChange change;
  change.action = AuditAction::kDownload;
  change.station = download.station;
  change.object = "download " + std::to_string(id);
  change.newValue = what.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  return change;
}

}  // namespace

DownloadArchive::DownloadArchive(const std::string& path, ArchiveAccess access)
    : file_(path, access) {
  if (!file_.empty()) Prepare();
}

void DownloadArchive::Prepare() {
  PrepareReads();
  if (file_.readOnly()) return;
  insertDownload_ = SqliteStatement(
      file_.connection(),
      "INSERT INTO downloads (received_at, port, program, kind, reason, sha256, size, start,"
      " rate_minutes, samples, decode_error, station, logger_clock, clock_drift_s, time_zone)"
      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  insertText_ = SqliteStatement(file_.connection(),
                                "INSERT INTO download_texts (download_id, raw) VALUES (?, ?)");
  insertSave_ = SqliteStatement(
      file_.connection(), "INSERT INTO saved_files (download_id, path, saved_at) VALUES (?, ?, ?)");
}

void DownloadArchive::PrepareReads() {
  const std::string columns = SummaryColumns(file_.schemaVersion());
  list_ = SqliteStatement(file_.connection(),
                          ("SELECT " + columns + " FROM downloads d ORDER BY d.id DESC").c_str());
  one_ = SqliteStatement(file_.connection(),
                         ("SELECT " + columns + " FROM downloads d WHERE d.id = ?").c_str());
  text_ =
      SqliteStatement(file_.connection(), "SELECT raw FROM download_texts WHERE download_id = ?");
  savedFiles_ =
      SqliteStatement(file_.connection(),
                      "SELECT path, saved_at FROM saved_files WHERE download_id = ? ORDER BY id");
  allTexts_ =
      SqliteStatement(file_.connection(), ("SELECT " + columns +
                                           ", t.raw FROM downloads d LEFT JOIN download_texts t"
                                           " ON t.download_id = d.id ORDER BY d.id")
                                              .c_str());
}

std::int64_t DownloadArchive::Add(const NewDownload& download) {
  // A download cut short keeps its last complete line as a sample, as `decode` shows it.
  const SampleTable table = DecodeReceived(download.rawText);
  file_.ThrowIfReadOnly();
  const std::string sha256 = Sha256Hex(download.rawText);
  const std::string timeZone = download.timeZone.empty() ? LocalTimeZoneName() : download.timeZone;
  const AuditActor actor = ActorOf(download);
  SqliteWriteTransaction transaction(file_.connection());
  file_.CheckBeforeWriting();
  std::int64_t id = 0;
  {
    SqliteStatement::Use use(insertDownload_);
    insertDownload_.BindText(1, UtcText(download.receivedAt));
    insertDownload_.BindText(2, download.port);
    insertDownload_.BindText(3, download.program);
    insertDownload_.BindText(4, KindCode(download.kind));
    insertDownload_.BindText(5, ReasonCode(download.reason));
    insertDownload_.BindText(6, sha256);
    insertDownload_.Bind(7, static_cast<std::int64_t>(download.rawText.size()));
    if (table.start) insertDownload_.BindText(8, StartIsoText(*table.start));
    if (table.rateMinutes > 0) insertDownload_.Bind(9, std::int64_t{table.rateMinutes});
    insertDownload_.Bind(10, static_cast<std::int64_t>(table.samples.size()));
    insertDownload_.BindText(11, table.error.value_or(""));
    if (!download.station.empty()) insertDownload_.BindText(12, download.station);
    if (!download.loggerClock.empty()) insertDownload_.BindText(13, download.loggerClock);
    if (download.clockDriftSeconds) insertDownload_.Bind(14, *download.clockDriftSeconds);
    insertDownload_.BindText(15, timeZone);
    insertDownload_.Step();
    id = sqlite3_last_insert_rowid(file_.connection().handle());
  }
  {
    SqliteStatement::Use use(insertText_);
    insertText_.Bind(1, id);
    insertText_.BindBlob(2, download.rawText);
    insertText_.Step();
  }
  // In the same transaction: a download is never archived without its entry, nor the other way.
  AppendAuditEntry(file_.connection(), actor,
                   DownloadChange(id, download, sha256, timeZone,
                                  static_cast<std::int64_t>(table.samples.size())),
                   true);
  transaction.Commit();
  return id;
}

void DownloadArchive::RecordSave(std::int64_t id, const std::string& filePath,
                                 std::chrono::system_clock::time_point when) {
  file_.ThrowIfReadOnly();
  SqliteWriteTransaction transaction(file_.connection());
  file_.CheckBeforeWriting();
  {
    SqliteStatement::Use use(insertSave_);
    insertSave_.Bind(1, id);
    insertSave_.BindText(2, filePath);
    insertSave_.BindText(3, UtcText(when));
    insertSave_.Step();
  }
  transaction.Commit();
}

void DownloadArchive::AppendAudit(const AuditActor& actor, const AuditChange& change) {
  file_.ThrowIfReadOnly();
  SqliteWriteTransaction transaction(file_.connection());
  file_.CheckBeforeWriting();
  AppendAuditEntry(file_.connection(), actor, change, true);
  transaction.Commit();
}

std::vector<AuditEntry> DownloadArchive::AuditEntries() {
  // The first version with an audit trail.
  constexpr int kAuditSchema = 5;
  if (file_.empty() || file_.schemaVersion() < kAuditSchema) return {};
  std::vector<AuditEntry> entries;
  InOneRead([&] { entries = ReadAuditEntries(file_.connection()); });
  return entries;
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
  if (file_.empty()) return records;
  SqliteStatement::Use use(list_);
  while (list_.Step()) records.push_back(SummaryFrom(list_));
  return records;
}

void DownloadArchive::InOneRead(const std::function<void()>& read) {
  file_.connection().Execute("BEGIN");
  struct EndRead {
    SqliteConnection& connection;
    ~EndRead() {
      try {
        connection.Execute("COMMIT");
      } catch (const ArchiveError&) {
        // A read-only transaction has nothing to lose.
      }
    }
  } endRead{file_.connection()};
  read();
}

ArchivedDownload DownloadArchive::Get(std::int64_t id) {
  ArchivedDownload record;
  if (file_.empty()) {
    throw ArchiveError(ArchiveError::Kind::kNoSuchRecord,
                       "no download " + std::to_string(id) + " in the archive");
  }
  // One read transaction, so that the record and its text are from the same moment.
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
  if (file_.empty() || file_.schemaVersion() < 3) return false;
  SqliteStatement query(file_.connection(),
                        "SELECT EXISTS (SELECT 1 FROM stations WHERE name = ?1)"
                        " OR EXISTS (SELECT 1 FROM downloads WHERE station = ?1)");
  SqliteStatement::Use use(query);
  query.BindText(1, station);
  query.Step();
  return query.Integer(0) != 0;
}

void DownloadArchive::ForEachStationDownload(const std::string& station,
                                             const StationDownloadVisit& visit) {
  if (file_.empty() || file_.schemaVersion() < 3) return;
  SqliteStatement query(file_.connection(), ("SELECT " + SummaryColumns(file_.schemaVersion()) +
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
  if (file_.empty()) return mismatches;
  SqliteStatement::Use use(allTexts_);
  while (allTexts_.Step()) {
    const DownloadSummary record = SummaryFrom(allTexts_);
    // A record whose text is missing gets the checksum of nothing, which never matches a download.
    const std::string_view raw =
        allTexts_.IsNull(kRawColumn) ? std::string_view() : allTexts_.Blob(kRawColumn);
    if (std::optional<ChecksumMismatch> wrong = CheckAgainstText(record, raw))
      mismatches.push_back(std::move(*wrong));
  }
  return mismatches;
}
