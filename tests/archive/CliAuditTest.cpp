// velmorante-cli's audit commands run as a program on real archive files: the entries listed, and
// a changed, removed or inserted entry or a changed download text found by `audit verify` in a file
// edited behind the archive's back (its triggers dropped first).
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "archive/AuditTrail.h"
#include "archive/DownloadArchive.h"
#include "archive/Sha256.h"
#include "archive/StationStore.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/sim/CliProcess.h"

namespace {

using namespace archive_test;
using Json = nlohmann::json;

struct RunResult {
  int exitCode = -1;
  std::string out, err;
};

// Runs SQL on the file as another program would, with the audit trail's triggers dropped.
void Tamper(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  const std::string all =
      "DROP TRIGGER audit_entry_never_changes;"
      "DROP TRIGGER audit_entry_never_removed;" +
      sql;
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, all.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

std::string QueryText(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  std::string text;
  sqlite3_stmt* query = nullptr;
  if (sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql, -1, &query, nullptr) == SQLITE_OK &&
      sqlite3_step(query) == SQLITE_ROW) {
    text = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
  return text;
}

class CliAudit : public ::testing::Test {
 protected:
  void SetUp() override {
    // Three entries: two downloads, one of them a station's, and the station's addition.
    DownloadArchive archive(original_);
    NewDownload download;
    download.rawText = DownloadText(12);
    download.receivedAt = std::chrono::system_clock::now();
    download.port = "/dev/ttyUSB0";
    download.program = "velmorante-cli 3.2.0";
    download.timeZone = "Europe/Madrid";
    archive.Add(download);
    const StationAuditNote note{CurrentActor("velmorante-cli", "3.2.0"), "nueva cámara"};
    StationStore(original_).Add({"camara1", "/dev/ttyUSB1", 1500, std::chrono::hours(24)}, &note);
    download.station = "camara1";
    download.rawText = DownloadText(20, 3);
    archive.Add(download);
  }

  // A copy of the archive to tamper with.
  std::string Copy(const char* name) {
    const std::string path = folder_.File(name);
    std::filesystem::copy_file(original_, path);
    return path;
  }

  RunResult Run(std::vector<std::string> args, const std::string& archive) {
    args.insert(args.begin(), "audit");
    args.push_back("--archive=" + archive);
    const CliOutputFiles files{folder_.File("stdout"), folder_.File("stderr")};
    RunResult result;
    result.exitCode = WaitForCli(StartCli(args, files));
    result.out = Bytes(files.out);
    result.err = Bytes(files.err);
    return result;
  }

  TempFolder folder_;
  const std::string original_ = folder_.File("descargas.sqlite");
};

TEST_F(CliAudit, ListsEntriesWithTheirFieldsAndFilters) {
  RunResult r = Run({"--json"}, original_);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Json all = Json::parse(r.out);
  ASSERT_EQ(all.size(), 3u);
  for (const char* field : {"id", "at", "utc_offset", "user", "host", "program", "version",
                            "action", "station", "object", "old", "new", "reason"})
    EXPECT_TRUE(all[0].contains(field)) << field;
  EXPECT_EQ(all[0]["action"], "download");
  EXPECT_EQ(all[0]["program"], "velmorante-cli");
  EXPECT_EQ(all[0]["version"], "3.2.0");
  EXPECT_EQ(all[1]["reason"], "nueva cámara");

  // A download's entry identifies its text and the computer's time zone, as its record does.
  const Json download = Json::parse(all[0]["new"].get<std::string>());
  EXPECT_EQ(download["sha256"], Sha256Hex(DownloadText(12)));
  EXPECT_EQ(download["time_zone"], "Europe/Madrid");
  EXPECT_EQ(QueryText(original_, "SELECT time_zone FROM downloads WHERE id = 1"), "Europe/Madrid");

  r = Run({"--json", "--station", "camara1"}, original_);
  EXPECT_EQ(Json::parse(r.out).size(), 2u) << r.out;
  r = Run({"--json", "--since", "2999-01-01"}, original_);
  EXPECT_EQ(Json::parse(r.out).size(), 0u) << r.out;
  EXPECT_EQ(Run({"--since", "ayer"}, original_).exitCode, 2);
}

TEST_F(CliAudit, VerifyNamesTheFirstEntryChangedRemovedOrInserted) {
  RunResult r = Run({"verify"}, original_);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("3"), std::string::npos) << r.out;

  const std::string changed = Copy("changed.sqlite");
  Tamper(changed, "UPDATE audit_entries SET reason = 'otra' WHERE id = 2;");
  r = Run({"verify"}, changed);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("audit entry 2 was changed"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("entry 3"), std::string::npos) << r.err;

  const std::string removed = Copy("removed.sqlite");
  Tamper(removed, "DELETE FROM audit_entries WHERE id = 2;");
  r = Run({"verify"}, removed);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("before entry 3 was removed"), std::string::npos) << r.err;
  // The chain's last entry cut off: only the download it belonged to tells.
  const std::string cut = Copy("cut.sqlite");
  Tamper(cut, "DELETE FROM audit_entries WHERE id = 3;");
  r = Run({"verify"}, cut);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("download 2 has lost its audit entry"), std::string::npos) << r.err;

  // A forged entry with hashes of its own, chained to entry 1, slipped in before entry 2: only
  // entry 2, which names entry 1, gives it away.
  const std::string inserted = Copy("inserted.sqlite");
  AuditEntry forged;
  forged.atUtc = QueryText(inserted, "SELECT at_utc FROM audit_entries WHERE id = 1");
  forged.utcOffset = "+01:00";
  forged.actor = {"intruso", "otra", "velmorante-cli", "3.2.0"};
  forged.change.action = AuditAction::kSetRate;
  forged.change.object = "logger";
  forged.previousSha256 =
      QueryText(inserted, "SELECT entry_sha256 FROM audit_entries WHERE id = 1");
  forged.contentSha256 = Sha256Hex(AuditContentText(forged));
  forged.entrySha256 = AuditEntryHash(forged.contentSha256, forged.previousSha256);
  Tamper(inserted,
         "UPDATE audit_entries SET id = id + 10 WHERE id >= 2;"
         "INSERT INTO audit_entries (id, at_utc, utc_offset, user, host, program, version, action,"
         " object, reason, content_sha256, previous_sha256, entry_sha256) VALUES (5, '" +
             forged.atUtc +
             "', '+01:00', 'intruso', 'otra', 'velmorante-cli', '3.2.0', 'set_rate',"
             " 'logger', '', '" +
             forged.contentSha256 + "', '" + forged.previousSha256 + "', '" + forged.entrySha256 +
             "');");
  r = Run({"verify"}, inserted);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("audit entry 5 was inserted"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("entry 12"), std::string::npos) << r.err;

  const std::string text = Copy("text.sqlite");
  Tamper(text,
         "DROP TRIGGER raw_text_never_changes; UPDATE download_texts SET raw = CAST('012' AS BLOB) "
         "WHERE download_id = 2;");
  r = Run({"verify"}, text);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("download 2 no longer matches its checksum"), std::string::npos) << r.err;
}

TEST_F(CliAudit, AValueThatCannotBeReadIsAProblemOfItsEntryAndTheRestIsStillChecked) {
  // A signing whose entry holds a number where the data hash belongs, an entry with bytes that are
  // not text, and a changed entry after them.
  const std::string path = Copy("malformed.sqlite");
  AuditChange sign;
  sign.action = AuditAction::kSign;
  sign.object = "download 1";
  sign.newValue = R"({"data_sha256":5,"meaning":"revisado","signer":"ana"})";
  DownloadArchive(path).AppendAudit(CurrentActor("velmorante-cli", "3.2.0"), sign);
  Tamper(path,
         "INSERT INTO signatures (audit_id, download_id, meaning, signer, signed_at, data_sha256)"
         " VALUES (4, 1, 'revisado', 'ana', '2026-12-08T10:00:00Z', '" +
             Sha256Hex(DownloadText(12)) +
             "');"
             "UPDATE audit_entries SET user = CAST(x'ff' AS TEXT) WHERE id = 1;"
             "UPDATE audit_entries SET reason = 'otra' WHERE id = 2;");
  const RunResult r = Run({"verify"}, path);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.find("exception"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("audit entry 1 was changed"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("audit entry 2 was changed"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("signature 1 (download 1): its audit entry holds 5 where the data hash"),
            std::string::npos)
      << r.err;
}

}  // namespace
