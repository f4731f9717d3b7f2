// Signatures on real archive files: a refused password is recorded as a refusal and never kept, a
// right one signs (with a test account given in VELMORANTE_TEST_PAM_USER and
// VELMORANTE_TEST_PAM_PASSWORD), and the check finds data changed after signing, a signature moved
// to other data and an audit entry that names other data. Edits bypass the archive's triggers.
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "archive/ArchiveFile.h"
#include "archive/AuditCheck.h"
#include "archive/AuditTrail.h"
#include "archive/DownloadArchive.h"
#include "archive/SignatureCheck.h"
#include "archive/SignatureStore.h"
#include "archive/SignedData.h"
#include "archive/Signing.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/record/RecordTestDownloads.h"
#include "tests/sim/CliProcess.h"

namespace {

using namespace archive_test;

const AuditActor kActor{"tester", "bench", "signature_test", "1"};
const SignTarget kPeriod =
    SignTarget::StationPeriod("norte", "2026-12-01T10:00:00", "2026-12-01T10:30:00");

std::string EnvOr(const char* name, const std::string& otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : otherwise;
}

// The archive holds download 1 taken by station "norte" and download 2 taken by no station.
class Signatures : public ::testing::Test {
 protected:
  void SetUp() override {
    DownloadArchive archive(path_);
    NewDownload download;
    download.rawText = record_test::Download({12, 1, 10, 0}, record_test::Readings(12));
    download.station = "norte";
    archive.Add(download);
    download.rawText = DownloadText(5);
    download.station.clear();
    archive.Add(download);
  }

  void Sql(const std::string& statements) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    const int result = sqlite3_exec(db, statements.c_str(), nullptr, nullptr, &message);
    const std::string text = message != nullptr ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    ASSERT_EQ(result, SQLITE_OK) << text;
  }

  std::vector<std::string> Check() {
    ArchiveFile file(path_, ArchiveAccess::kReadOnly);
    return CheckSignatures(file.connection());
  }

  std::vector<AuditEntry> Audit() {
    ArchiveFile file(path_, ArchiveAccess::kReadOnly);
    return ReadAuditEntries(file.connection());
  }

  TempFolder folder_;
  const std::string path_ = folder_.File("descargas.sqlite");
};

TEST_F(Signatures, CheckFindsDataChangedAfterSigning) {
  SignatureStore store(path_);
  store.Add(SignTarget::Download(1), SignMeaning::kRevisado, "ana", kActor);
  store.Add(kPeriod, SignMeaning::kAprobado, "ana", kActor);
  EXPECT_EQ(Check(), std::vector<std::string>{});

  // One reading of download 1 changes, inside the signed period (its fourth sample, 10:20).
  const std::string raw = record_test::Download({12, 1, 10, 0}, record_test::Readings(12));
  std::string changed = raw;
  const std::string line = data_window_test::SampleLine(1863, 735);
  changed.replace(changed.find(line), line.size(), data_window_test::SampleLine(1990, 735));
  Sql("DROP TRIGGER raw_text_never_changes; UPDATE download_texts SET raw = CAST('" + changed +
      "' AS BLOB) WHERE download_id = 1;");
  const std::vector<std::string> problems = Check();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("download 1"), std::string::npos) << problems[0];
  EXPECT_NE(problems[1].find("station norte"), std::string::npos) << problems[1];

  // A change outside the period leaves the period's signature whole.
  Sql("UPDATE download_texts SET raw = CAST('" + raw + "' AS BLOB) WHERE download_id = 1;");
  const std::string late = data_window_test::SampleLine(1871, 735);
  changed = raw;
  changed.replace(changed.find(late), late.size(), data_window_test::SampleLine(1990, 735));
  Sql("UPDATE download_texts SET raw = CAST('" + changed + "' AS BLOB) WHERE download_id = 1;");
  ASSERT_EQ(Check().size(), 1u);
}

TEST_F(Signatures, CheckFindsASignatureMovedToOtherDataWithOrWithoutItsHash) {
  std::string otherHash;
  {
    SignatureStore(path_).Add(SignTarget::Download(1), SignMeaning::kAprobado, "ana", kActor);
    DownloadArchive archive(path_, ArchiveAccess::kReadOnly);
    otherHash = SignedDataSha256(archive, SignTarget::Download(2));
  }
  Sql("DROP TRIGGER signature_never_changes; UPDATE signatures SET download_id = 2;");
  std::vector<std::string> problems = Check();
  {
    // The archive's whole check, as `audit verify` runs it, reports them too.
    ArchiveFile file(path_, ArchiveAccess::kReadOnly);
    const std::vector<AuditProblem> all = CheckArchiveRecords(file.connection());
    EXPECT_EQ(std::count_if(
                  all.begin(), all.end(),
                  [](const AuditProblem& p) { return p.kind == AuditProblem::Kind::kSignature; }),
              2);
  }
  // Its audit entry still names download 1, and download 2 does not hash to the signed hash.
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("audit entry names download 1"), std::string::npos) << problems[0];
  EXPECT_NE(problems[1].find("no longer match"), std::string::npos) << problems[1];

  // Moved with the other data's hash, and its audit entry's object forged to match: the entry
  // still names the first hash.
  Sql("UPDATE signatures SET data_sha256 = '" + otherHash +
      "'; DROP TRIGGER audit_entry_never_changes;"
      " UPDATE audit_entries SET object = 'download 2' WHERE action = 'sign';");
  problems = Check();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("names the data hash"), std::string::npos) << problems[0];
}

TEST_F(Signatures, WrongPasswordIsRefusedAndRecordedWithoutThePassword) {
  const std::string user = EnvOr("VELMORANTE_TEST_PAM_USER", CurrentActor("", "").user);
  const std::string wrong = "not-the-password-7Qz";
  std::string password = wrong;
  const SignOutcome outcome =
      SignWithPassword(path_, SignTarget::Download(1), SignMeaning::kAprobado, user, password,
                       kActor, VELMORANTE_PAM_FOLDER);
  EXPECT_FALSE(outcome.signedOk);
  EXPECT_FALSE(outcome.refusal.empty());
  EXPECT_TRUE(password.empty());
  EXPECT_TRUE(SignatureStore(path_).For(SignTarget::Download(1)).empty());
  const std::vector<AuditEntry> audit = Audit();
  ASSERT_FALSE(audit.empty());
  EXPECT_EQ(audit.back().change.action, AuditAction::kSignFailed);
  EXPECT_EQ(audit.back().change.object, "download 1");
  EXPECT_NE(audit.back().change.newValue.value_or("").find(user), std::string::npos);
  for (const char* file : {"", "-wal"})
    EXPECT_EQ(Bytes(path_ + file).find(wrong), std::string::npos) << file;

  // Nothing to sign: refused before any password is checked, and nothing recorded.
  password = wrong;
  EXPECT_THROW(SignWithPassword(path_, SignTarget::Download(9), SignMeaning::kAprobado, user,
                                password, kActor, VELMORANTE_PAM_FOLDER),
               ArchiveError);
  EXPECT_TRUE(password.empty());
  EXPECT_EQ(Audit().size(), audit.size());
}

TEST_F(Signatures, RightPasswordSigns) {
  const std::string user = EnvOr("VELMORANTE_TEST_PAM_USER", "");
  std::string password = EnvOr("VELMORANTE_TEST_PAM_PASSWORD", "");
  if (user.empty() || password.empty())
    GTEST_SKIP() << "no test account: set VELMORANTE_TEST_PAM_USER and "
                    "VELMORANTE_TEST_PAM_PASSWORD (checking another user's password needs root)";
  const SignOutcome outcome = SignWithPassword(path_, kPeriod, SignMeaning::kRevisado, user,
                                               password, kActor, VELMORANTE_PAM_FOLDER);
  ASSERT_TRUE(outcome.signedOk) << outcome.refusal;
  const std::vector<SignatureRecord> kept = SignatureStore(path_).For(kPeriod);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].signer, user);
  const AuditEntry entry = Audit().back();
  EXPECT_EQ(entry.id, kept[0].auditId);
  EXPECT_EQ(entry.change.action, AuditAction::kSign);
  EXPECT_NE(entry.change.newValue.value_or("").find(kept[0].dataSha256), std::string::npos);
  EXPECT_EQ(Check(), std::vector<std::string>{});
}

// velmorante-cli sign with its password on standard input.
TEST_F(Signatures, CommandLineSignsOrRefusesWithAReason) {
  struct Run {
    int exitCode;
    std::string out, err;
  };
  const auto run = [this](const std::vector<std::string>& args, const std::string& input) {
    WriteBytes(folder_.File("stdin"), input);
    const int saved = dup(0);
    const int in = ::open(folder_.File("stdin").c_str(), O_RDONLY);
    dup2(in, 0);
    const CliOutputFiles files{folder_.File("stdout"), folder_.File("stderr")};
    const pid_t pid = StartCli(args, files);
    dup2(saved, 0);
    ::close(in);
    ::close(saved);
    return Run{WaitForCli(pid), Bytes(files.out), Bytes(files.err)};
  };
  const std::string user = EnvOr("VELMORANTE_TEST_PAM_USER", CurrentActor("", "").user);
  const std::vector<std::string> sign = {
      "sign",   "--history", "1",         "--meaning", "aprobado", "--password-stdin",
      "--user", user,        "--archive", path_};
  Run r = run(sign, "not-the-password-7Qz\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("signature refused"), std::string::npos) << r.err;

  std::vector<std::string> bad = sign;
  bad[4] = "firmado";
  EXPECT_EQ(run(bad, "x\n").exitCode, 2);

  const std::string password = EnvOr("VELMORANTE_TEST_PAM_PASSWORD", "");
  if (password.empty()) return;
  r = run(sign, password + "\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"Aprobado\" by " + user), std::string::npos) << r.out;
}

}  // namespace
