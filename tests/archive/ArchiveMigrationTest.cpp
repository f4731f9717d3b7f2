// An archive written by release 3.2.0, which kept the start and the rate as display texts, read as
// it is and migrated to the start and rate as numbers: every record, checksum and raw text kept.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "archive/ArchiveSchema.h"
#include "archive/DownloadArchive.h"
#include "archive/Sha256.h"
#include "data/SampleDecoder.h"
#include "data/StartTexts.h"
#include "tests/archive/ArchiveTestFiles.h"

namespace {

using archive_test::Bytes;
using archive_test::TempFolder;

// A record as the old columns hold it.
struct OldRecord {
  std::string sha256, startDate, startTime, rate, decodeError, raw;
  std::int64_t size = 0, samples = 0;
};

std::map<std::int64_t, OldRecord> ReadOldRecords(const std::string& path) {
  std::map<std::int64_t, OldRecord> records;
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* row = nullptr;
  sqlite3_prepare_v2(
      db,
      "SELECT d.id, sha256, size, start_date, start_time, rate, samples, decode_error,"
      " raw FROM downloads d JOIN download_texts t ON t.download_id = d.id",
      -1, &row, nullptr);
  const auto text = [&](int column) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(row, column));
    return std::string(bytes ? bytes : "",
                       static_cast<std::size_t>(sqlite3_column_bytes(row, column)));
  };
  while (sqlite3_step(row) == SQLITE_ROW) {
    records[sqlite3_column_int64(row, 0)] = {text(1),
                                             text(3),
                                             text(4),
                                             text(5),
                                             text(7),
                                             text(8),
                                             sqlite3_column_int64(row, 2),
                                             sqlite3_column_int64(row, 6)};
  }
  sqlite3_finalize(row);
  sqlite3_close(db);
  return records;
}

int RunSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return result;
}

int UserVersion(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* row = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &row, nullptr);
  const int version = sqlite3_step(row) == SQLITE_ROW ? sqlite3_column_int(row, 0) : -1;
  sqlite3_finalize(row);
  sqlite3_close(db);
  return version;
}

// Adds a record as release 3.2.0 kept it: the decoder's display texts beside the raw text.
void AddOldRecord(const std::string& path, std::int64_t id, const std::string& raw) {
  const SampleTable table = SampleDecoder().Decode(raw);
  const std::string texts[] = {StartDateText(table), StartTimeText(table), StartRateText(table),
                               table.error.value_or(""), Sha256Hex(raw)};
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO downloads VALUES (?1, '2026-12-08T13:10:00Z', '/dev/pts/9',"
                     " 'velmorante-cli 3.2.0', 'normal', 'timed-out', ?6, ?7, ?2, ?3, ?4, ?8, ?5)",
                     -1, &insert, nullptr);
  sqlite3_bind_int64(insert, 1, id);
  for (int i = 0; i < 5; ++i)
    sqlite3_bind_text(insert, i + 2, texts[i].c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(insert, 7, static_cast<sqlite3_int64>(raw.size()));
  sqlite3_bind_int64(insert, 8, static_cast<sqlite3_int64>(table.samples.size()));
  EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE) << sqlite3_errmsg(db);
  sqlite3_finalize(insert);
  sqlite3_prepare_v2(db, "INSERT INTO download_texts VALUES (?, ?)", -1, &insert, nullptr);
  sqlite3_bind_int64(insert, 1, id);
  sqlite3_bind_blob(insert, 2, raw.data(), static_cast<int>(raw.size()), SQLITE_TRANSIENT);
  EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE) << sqlite3_errmsg(db);
  sqlite3_finalize(insert);
  sqlite3_close(db);
}

void ExpectSameAsBefore(const std::vector<DownloadSummary>& list,
                        const std::map<std::int64_t, OldRecord>& old) {
  ASSERT_EQ(list.size(), old.size());
  for (const DownloadSummary& r : list) {
    SCOPED_TRACE("download " + std::to_string(r.id));
    const OldRecord& o = old.at(r.id);
    EXPECT_EQ(r.sha256, o.sha256);
    EXPECT_EQ(r.size, o.size);
    EXPECT_EQ(r.samples, o.samples);
    EXPECT_EQ(r.decodeError, o.decodeError);
    EXPECT_EQ(StartDateText(r.start), o.startDate);
    EXPECT_EQ(StartTimeText(r.start), o.startTime);
    EXPECT_EQ(RateCaption(r.rateMinutes), o.rate);
  }
}

TEST(ArchiveMigration, ReleaseThreeTwoArchiveIsMigratedOnceWithNothingLost) {
  TempFolder folder;
  const std::string path = folder.File("descargas.sqlite");
  std::filesystem::copy_file(VELMORANTE_ARCHIVE_FIXTURES "/archive-3.2.0.sqlite", path);
  ASSERT_EQ(UserVersion(path), 1);
  // Two records that release could also write: a rate code outside 1..6 and a header that does
  // not decode, both with texts left empty.
  AddOldRecord(path, 6, "012003015030\r\n045014009000\r\n007068002223\r\n");
  AddOldRecord(path, 7, "0x2003015030\r\n045014002000\r\n007068002223\r\n");
  const std::map<std::int64_t, OldRecord> old = ReadOldRecords(path);
  ASSERT_EQ(old.size(), 7u);

  // Read as it is where it cannot be migrated.
  {
    DownloadArchive readOnly(path, ArchiveAccess::kReadOnly);
    ExpectSameAsBefore(readOnly.List(), old);
    EXPECT_TRUE(readOnly.Verify().empty());
  }
  EXPECT_EQ(UserVersion(path), 1);

  {
    DownloadArchive archive(path);
    const std::vector<DownloadSummary> list = archive.List();
    ExpectSameAsBefore(list, old);
    for (const DownloadSummary& r : list) {
      EXPECT_EQ(archive.Get(r.id).rawText, old.at(r.id).raw) << r.id;
    }
    EXPECT_TRUE(archive.Verify().empty());
    const ArchivedDownload first = archive.Get(1);
    EXPECT_EQ(first.summary.start, (LoggerStart{26, 12, 7, 21, 5, 0}));
    EXPECT_EQ(first.summary.rateMinutes, 5);
    const ArchivedDownload lost = archive.Get(3);
    EXPECT_EQ(lost.summary.reason, EndReason::kLineLost);
    EXPECT_EQ(lost.summary.rateMinutes, 10);
    EXPECT_EQ(archive.Get(2).summary.kind, DownloadKind::kWholeMemory);
    EXPECT_EQ(archive.Get(4).savedFiles.size(), 1u);
    EXPECT_EQ(archive.Get(6).summary.rateMinutes, 0);
    EXPECT_TRUE(archive.Get(6).summary.start.has_value());
    EXPECT_FALSE(archive.Get(7).summary.start.has_value());
    // New downloads go in beside the old ones.
    NewDownload download;
    download.rawText = archive_test::DownloadText(3);
    download.port = "/dev/pts/1";
    download.program = "test";
    archive.Add(download);
    EXPECT_TRUE(archive.Verify().empty());
  }
  EXPECT_EQ(UserVersion(path), kArchiveSchemaVersion);
  EXPECT_EQ(RunSql(path, "SELECT start_date FROM downloads"), SQLITE_ERROR);
  EXPECT_EQ(RunSql(path, "SELECT start, rate_minutes FROM downloads"), SQLITE_OK);

  // A second opening finds nothing to do and changes nothing.
  const std::string migrated = Bytes(path);
  { DownloadArchive again(path); }
  EXPECT_TRUE(Bytes(path) == migrated);

  // The raw texts and checksums stay as they were written.
  EXPECT_NE(RunSql(path, "UPDATE download_texts SET raw = x'00' WHERE download_id = 1"), SQLITE_OK);
  EXPECT_NE(RunSql(path, "DELETE FROM download_texts WHERE download_id = 1"), SQLITE_OK);
  EXPECT_NE(RunSql(path, "UPDATE downloads SET sha256 = replace(sha256, 'a', 'b')"), SQLITE_OK);
  EXPECT_NE(RunSql(path, "DELETE FROM downloads WHERE id = 1"), SQLITE_OK);
  // Only the archive's own forms of the numbers go in.
  EXPECT_NE(RunSql(path, "UPDATE downloads SET rate_minutes = 7 WHERE id = 1"), SQLITE_OK);
  EXPECT_NE(RunSql(path, "UPDATE downloads SET start = '07/12/2026' WHERE id = 1"), SQLITE_OK);
}

}  // namespace
