// The download archive on real SQLite files: what goes in comes back byte for byte, the raw texts
// cannot be altered, damage is caught and never written over, and records survive a killed
// process and writers in several processes at once.
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <set>

#include "archive/ArchivePath.h"
#include "archive/DownloadArchive.h"
#include "archive/Sha256.h"
#include "tests/archive/ArchiveTestFiles.h"

namespace {

using namespace archive_test;
using std::chrono::system_clock;

NewDownload Download(std::string text, EndReason reason = EndReason::kNone) {
  NewDownload download;
  download.rawText = std::move(text);
  download.receivedAt = system_clock::time_point(std::chrono::seconds(1796685071));
  download.port = "/dev/ttyUSB0";
  download.program = "velmorante 3.2.0";
  download.reason = reason;
  return download;
}

// Runs `sql` on the file with SQLite directly, as another program (or a hand) would.
int RunSql(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  const int code = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return code;
}

// Runs `body` in a child process and returns its exit status (-1 when it did not exit).
template <typename Body>
int InChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    int status = 1;
    try {
      status = body();
    } catch (...) {
      status = 99;
    }
    _exit(status);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DownloadArchive, KeepsCompleteAndInterruptedTextsByteForByteWithTheirChecksums) {
  TempFolder folder;
  const std::string path = folder.File("sub/descargas.sqlite");  // the folder is made
  const std::string complete = DownloadText(2000);
  // Whatever came before the line was lost, odd bytes included, and no end marker.
  const std::string partial = std::string("012003015030\r\n045014\0\xff\r", 23);
  std::int64_t first = 0, second = 0;
  {
    DownloadArchive archive(path);
    first = archive.Add(Download(complete));
    second = archive.Add(Download(partial, EndReason::kLineLost));
    archive.RecordSave(first, "/home/op/datos.txt", system_clock::time_point{});
  }
  DownloadArchive archive(path);
  const ArchivedDownload a = archive.Get(first);
  const ArchivedDownload b = archive.Get(second);
  EXPECT_EQ(a.rawText, complete);
  EXPECT_EQ(b.rawText, partial);
  EXPECT_EQ(a.summary.sha256, Sha256Hex(complete));
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_TRUE(a.summary.complete());
  EXPECT_EQ(b.summary.reason, EndReason::kLineLost);
  EXPECT_EQ(a.summary.receivedAt, "2026-12-07T23:11:11Z");
  EXPECT_EQ(a.summary.start, (LoggerStart{12, 3, 15, 14, 45, 30}));
  EXPECT_EQ(a.summary.rateMinutes, 5);
  EXPECT_EQ(a.summary.samples, 2000);
  ASSERT_EQ(a.savedFiles.size(), 1u);
  EXPECT_EQ(a.savedFiles[0].savedAt, "1970-01-01T00:00:00Z");
  EXPECT_FALSE(b.summary.decodeError.empty());

  const std::vector<DownloadSummary> list = archive.List();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].id, second);  // newest first
  EXPECT_EQ(list[1].savedCount, 1);
  EXPECT_THROW(archive.Get(second + 1), ArchiveError);
  EXPECT_TRUE(archive.Verify().empty());
}

TEST(DownloadArchive, RawTextAndChecksumCannotBeChangedOrRemoved) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  DownloadArchive(path).Add(Download(DownloadText(3)));
  EXPECT_NE(RunSql(path, "UPDATE download_texts SET raw = x'00'"), SQLITE_OK);
  EXPECT_NE(RunSql(path, "DELETE FROM download_texts"), SQLITE_OK);
  EXPECT_NE(RunSql(path, "UPDATE downloads SET sha256 = replace(sha256, 'a', 'b')"), SQLITE_OK);
  EXPECT_NE(RunSql(path, "DELETE FROM downloads"), SQLITE_OK);
  EXPECT_EQ(DownloadArchive(path).Get(1).rawText, DownloadText(3));
}

TEST(DownloadArchive, VerifyNamesTheRecordWhoseTextHasAChangedByte) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  {
    DownloadArchive archive(path);
    archive.Add(Download(DownloadText(50)));
    archive.Add(Download(DownloadText(50, 7)));
  }  // closing checkpoints the log into the file
  std::string bytes = Bytes(path);
  const std::size_t at = bytes.find(DownloadText(50, 7).substr(0, 60).substr(28));
  ASSERT_NE(at, std::string::npos);
  bytes[at + 5] = bytes[at + 5] == '1' ? '2' : '1';
  WriteBytes(path, bytes);
  const std::vector<ChecksumMismatch> bad = DownloadArchive(path).Verify();
  ASSERT_EQ(bad.size(), 1u);
  EXPECT_EQ(bad[0].id, 2);
}

TEST(DownloadArchive, DamagedOrForeignFilesAreReportedAndLeftUntouched) {
  TempFolder folder;
  const std::string good = folder.File("good.sqlite");
  {
    DownloadArchive archive(good);
    for (int i = 0; i < 5; ++i) archive.Add(Download(DownloadText(2000, i)));
  }
  const std::string whole = Bytes(good);
  std::string random(3 * 4096, '\0');
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>(i * 7919 % 251);

  struct Case {
    const char* name;
    std::string bytes;
    ArchiveError::Kind kind;
  };
  const Case cases[] = {
      {"cut at a page", whole.substr(0, whole.size() / 2 / 4096 * 4096),
       ArchiveError::Kind::kDamaged},
      {"cut mid-page", whole.substr(0, whole.size() / 2 + 100), ArchiveError::Kind::kDamaged},
      {"random bytes", random, ArchiveError::Kind::kNotAnArchive},
      {"a text file", "15/03/2012  14:50:30  50,0  23,5\r\n", ArchiveError::Kind::kNotAnArchive},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.File("damaged.sqlite");
    WriteBytes(path, c.bytes);
    try {
      DownloadArchive archive(path);
      ADD_FAILURE() << "opened";
    } catch (const ArchiveError& error) {
      EXPECT_EQ(error.kind(), c.kind) << error.what();
      EXPECT_TRUE(error.FileIsUnusable());
    }
    EXPECT_EQ(Bytes(path), c.bytes);
  }

  // A newer program's archive is read by no one here and written by no one either.
  ASSERT_EQ(RunSql(good, "PRAGMA user_version = 99"), SQLITE_OK);
  const std::string newer = Bytes(good);
  try {
    DownloadArchive archive(good);
    ADD_FAILURE() << "opened";
  } catch (const ArchiveError& error) {
    EXPECT_EQ(error.kind(), ArchiveError::Kind::kNewerVersion);
  }
  EXPECT_EQ(Bytes(good), newer);
}

// The page number where table `name` starts, read with SQLite directly.
int RootPage(const std::string& path, const char* name) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_schema WHERE name = ?", -1, &query, nullptr);
  sqlite3_bind_text(query, 1, name, -1, SQLITE_STATIC);
  const int page = sqlite3_step(query) == SQLITE_ROW ? sqlite3_column_int(query, 0) : 0;
  sqlite3_finalize(query);
  sqlite3_close(db);
  return page;
}

TEST(DownloadArchive, AnotherProgramsDatabaseIsNeverTurnedIntoAnArchive) {
  TempFolder folder;
  const std::string path = folder.File("notas.sqlite");
  ASSERT_EQ(RunSql(path,
                   "CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT);"
                   "INSERT INTO notes (text) VALUES ('keep me');"),
            SQLITE_OK);
  const std::string before = Bytes(path);
  for (const ArchiveAccess access : {ArchiveAccess::kReadOnly, ArchiveAccess::kReadWrite}) {
    try {
      DownloadArchive archive(path, access);
      ADD_FAILURE() << "opened";
    } catch (const ArchiveError& error) {
      EXPECT_EQ(error.kind(), ArchiveError::Kind::kNotAnArchive) << error.what();
    }
  }
  EXPECT_TRUE(Bytes(path) == before);  // no table, no journal mode, no version
  EXPECT_FALSE(fs::exists(path + "-wal"));

  // An archive written before archives were marked is still one, and is marked when next written.
  const std::string older = folder.File("older.sqlite");
  DownloadArchive(older).Add(Download(DownloadText(3)));
  ASSERT_EQ(RunSql(older, "PRAGMA application_id = 0"), SQLITE_OK);
  EXPECT_EQ(DownloadArchive(older, ArchiveAccess::kReadOnly).List().size(), 1u);
  DownloadArchive(older).Add(Download(DownloadText(4)));
  EXPECT_EQ(RunSql(older, "PRAGMA application_id = 0; CREATE TABLE x (y)"), SQLITE_OK);
  // ... while one holding tables of its own beside the archive's is not touched any more.
  const std::string mixed = Bytes(older);
  EXPECT_THROW(DownloadArchive(older, ArchiveAccess::kReadWrite), ArchiveError);
  EXPECT_TRUE(Bytes(older) == mixed);
}

TEST(DownloadArchive, DamagedPagesStopEveryWriteAndVerifyCatchesChangedDetails) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  {
    DownloadArchive archive(path);
    archive.Add(Download(DownloadText(40)));
    archive.Add(Download("012003015030\r\n045014002000\r\n007068002188\r\n", EndReason::kTimedOut));
  }
  // Details beside a text that still matches its checksum, changed by hand.
  ASSERT_EQ(RunSql(path,
                   "UPDATE downloads SET start = '2012-03-16T14:45:30' WHERE id = 1;"
                   "UPDATE downloads SET reason = '' WHERE id = 2"),
            SQLITE_OK);
  const std::vector<ChecksumMismatch> bad = DownloadArchive(path).Verify();
  ASSERT_EQ(bad.size(), 2u);
  EXPECT_EQ(bad[0].part, ChecksumMismatch::Part::kDetails);
  EXPECT_NE(bad[0].recorded.find("2012-03-16T14:45:30"), std::string::npos) << bad[0].recorded;
  EXPECT_NE(bad[0].actual.find("2012-03-15T14:45:30"), std::string::npos) << bad[0].actual;
  EXPECT_EQ(bad[1].id, 2);

  // The table of records loses its page header: the file opens, but SQLite's check fails.
  const int page = RootPage(path, "downloads");
  ASSERT_GT(page, 1);
  std::string bytes = Bytes(path);
  const std::size_t pageSize = 4096;
  ASSERT_GE(bytes.size(), page * pageSize);
  for (std::size_t i = 0; i < 12; ++i) bytes[(page - 1) * pageSize + i] = '\x7f';
  WriteBytes(path, bytes);
  DownloadArchive archive(path);
  try {
    archive.Add(Download(DownloadText(5)));
    ADD_FAILURE() << "archived into a damaged file";
  } catch (const ArchiveError& error) {
    EXPECT_EQ(error.kind(), ArchiveError::Kind::kDamaged) << error.what();
  }
  EXPECT_THROW(archive.RecordSave(1, "/tmp/x.txt", system_clock::now()), ArchiveError);
  EXPECT_TRUE(Bytes(path) == bytes);
}

TEST(DownloadArchive, ReadingWorksInAReadOnlyFolderAndWritesNothingThere) {
  TempFolder folder;
  const std::string path = folder.File("descargas.sqlite");
  {
    DownloadArchive archive(path);
    archive.Add(Download(DownloadText(20)));
  }
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                     fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
  const std::string before = Bytes(path);
  const int status = InChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 3;
    try {
      DownloadArchive opened(path, ArchiveAccess::kReadOnly);
    } catch (const ArchiveError& error) {
      std::fprintf(stderr, "%s\n", error.what());
      return 7;
    }
    DownloadArchive archive(path, ArchiveAccess::kReadOnly);
    if (archive.List().size() != 1 || archive.Get(1).rawText != DownloadText(20)) return 4;
    if (!archive.Verify().empty()) return 5;
    try {
      archive.Add(Download(DownloadText(1)));
    } catch (const ArchiveError&) {
      return 0;
    }
    return 6;
  });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(Bytes(path) == before);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(DownloadArchive, ReadOnlyFolderGivesACannotOpenErrorAndCreatesNothing) {
  TempFolder folder;
  fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                     fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
  const std::string path = folder.File("descargas.sqlite");
  const int status = InChild([&] {
    // The super-user writes anywhere: try as an ordinary user instead.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 3;
    try {
      DownloadArchive archive(path);
      archive.Add(Download(DownloadText(1)));
    } catch (const ArchiveError& error) {
      return error.kind() == ArchiveError::Kind::kCannotOpen ? 0 : 2;
    }
    return 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(DownloadArchive, RecordCommittedBeforeTheProcessIsKilledIsReadable) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    DownloadArchive archive(path);
    const std::int64_t id = archive.Add(Download(DownloadText(2000)));
    (void)!write(ready[1], &id, sizeof id);
    pause();  // killed here, with the archive still open
    _exit(0);
  }
  close(ready[1]);
  std::int64_t id = 0;
  ASSERT_EQ(read(ready[0], &id, sizeof id), static_cast<ssize_t>(sizeof id));
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  close(ready[0]);
  DownloadArchive archive(path);
  EXPECT_EQ(archive.Get(id).rawText, DownloadText(2000));
  EXPECT_TRUE(archive.Verify().empty());
}

TEST(DownloadArchive, ProcessesWritingAtOnceLoseNoRecord) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  { DownloadArchive created(path); }  // created before the writers race
  constexpr int kWriters = 3;
  constexpr int kEach = 15;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = fork();
    if (pid == 0) {
      try {
        DownloadArchive archive(path);
        for (int i = 0; i < kEach; ++i) archive.Add(Download(DownloadText(300, w * 100 + i)));
        archive.RecordSave(1, "/tmp/x.txt", system_clock::now());
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  DownloadArchive archive(path);
  const std::vector<DownloadSummary> list = archive.List();
  ASSERT_EQ(list.size(), static_cast<std::size_t>(kWriters * kEach));
  std::set<std::string> checksums;
  for (const DownloadSummary& record : list) checksums.insert(record.sha256);
  EXPECT_EQ(checksums.size(), list.size());
  EXPECT_EQ(archive.Get(1).savedFiles.size(), static_cast<std::size_t>(kWriters));
  EXPECT_TRUE(archive.Verify().empty());
}

TEST(ArchivePath, ChosenFileThenDataHomeThenHome) {
  auto lookup = [](std::map<std::string, std::string> values) {
    return [values](const char* name) {
      const auto found = values.find(name);
      return found == values.end() ? std::string() : found->second;
    };
  };
  EXPECT_EQ(
      DefaultArchivePath(lookup({{"VELMORANTE_ARCHIVE", "/x/a.db"}, {"XDG_DATA_HOME", "/d"}})),
      "/x/a.db");
  EXPECT_EQ(DefaultArchivePath(lookup({{"XDG_DATA_HOME", "/d"}, {"HOME", "/h"}})),
            "/d/velmorante/descargas.sqlite");
  // A relative data home is not allowed by the base directory rules and is ignored.
  EXPECT_EQ(DefaultArchivePath(lookup({{"XDG_DATA_HOME", "rel"}, {"HOME", "/h"}})),
            "/h/.local/share/velmorante/descargas.sqlite");
}

}  // namespace
