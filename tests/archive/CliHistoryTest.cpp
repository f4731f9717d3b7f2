// velmorante-cli's archive, the built program against the logger emulator: what `download` keeps,
// what `history` lists and shows, what `history verify` catches, a damaged archive file, and names
// that keep nothing or lead to an input.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "archive/DownloadArchive.h"
#include "archive/Sha256.h"
#include "archive/StationStore.h"
#include "sim/LoggerEmulator.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/sim/CliProcess.h"

namespace {

using namespace archive_test;

struct RunResult {
  int exitCode = -1;
  std::string out, err;
};

class CliHistory : public ::testing::Test {
 protected:
  // Runs velmorante-cli; `asNobody` runs it as the unprivileged user "nobody" (65534), so that
  // file permissions hold even when the tests run as the superuser.
  RunResult Run(const std::vector<std::string>& args, bool asNobody = false) {
    const CliOutputFiles files{folder_.File("stdout"), folder_.File("stderr")};
    RunResult result;
    result.exitCode = WaitForCli(StartCli(args, files, asNobody));
    result.out = Bytes(files.out);
    result.err = Bytes(files.err);
    return result;
  }

  static LoggerOptions Fast(int samples, LoggerFault fault = LoggerFault::None) {
    LoggerOptions options;
    options.storedSamples = samples;
    options.baud = 0;
    options.statusPeriodMs = 150;
    options.endMarkerPauseMs = 40;
    options.recordLive = false;
    options.fault = fault;
    return options;
  }

  // Runs velmorante-cli with VELMORANTE_ARCHIVE set to `archive`.
  RunResult RunWithArchiveVariable(const std::vector<std::string>& args, const char* archive) {
    setenv("VELMORANTE_ARCHIVE", archive, 1);
    RunResult result = Run(args);
    unsetenv("VELMORANTE_ARCHIVE");
    return result;
  }

  // Adds a download of `text` (cut short when it lacks the end marker) to the archive.
  void Archive(const std::string& text, const std::string& station = "") {
    NewDownload download;
    download.rawText = text;
    download.receivedAt = std::chrono::system_clock::now();
    download.port = "/dev/ttyUSB0";
    download.program = "velmorante-cli 3.2.0";
    download.station = station;
    download.reason = text.back() == 'A' ? EndReason::kNone : EndReason::kLineLost;
    DownloadArchive(archive_).Add(download);
  }

  TempFolder folder_;
  const std::string archive_ = folder_.File("descargas.sqlite");
};

TEST_F(CliHistory, CompleteAndInterruptedDownloadsAreKeptAsTheLoggerSentThem) {
  LoggerEmulator logger(Fast(40));
  logger.Start();
  RunResult r = Run({"download", "--port", logger.PortPath(), "--archive", archive_, "--out",
                     folder_.File("saved.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string complete = logger.LastDownloadText();

  // Paced, so that the characters before the hang-up reach the program.
  LoggerOptions paced = Fast(40, LoggerFault::HangUpInDownload);
  paced.baud = 9600;
  LoggerEmulator cut(paced);
  cut.Start();
  r = Run({"download", "--port", cut.PortPath(), "--archive", archive_, "--timeout", "2"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("archived as download 2"), std::string::npos) << r.err;

  r = Run({"history", "--json", "--archive", archive_});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.find("{\"id\":2,"), 1u) << r.out;  // newest first
  EXPECT_NE(r.out.find("\"sha256\":\"" + Sha256Hex(complete) + "\""), std::string::npos);
  EXPECT_NE(r.out.find("\"complete\":false,\"reason\":\"line-lost\""), std::string::npos);
  EXPECT_NE(r.out.find("\"samples\":40,"), std::string::npos);
  EXPECT_NE(r.out.find("\"saved\":1}"), std::string::npos);

  // The table from the archive is the file saved at download time, byte for byte.
  r = Run({"history", "show", "1", "--archive", archive_, "--out", folder_.File("again.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Bytes(folder_.File("again.txt")), Bytes(folder_.File("saved.txt")));
  r = Run({"history", "show", "2", "--archive", archive_, "--raw", folder_.File("cut.raw")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // As far as it came: what the logger sent before hanging up, and the checksum of exactly that.
  const std::string received = Bytes(folder_.File("cut.raw"));
  EXPECT_GT(received.size(), 28u);
  EXPECT_EQ(cut.LastDownloadText().substr(0, received.size()), received);
  r = Run({"history", "--json", "--archive", archive_});
  EXPECT_NE(r.out.find("\"sha256\":\"" + Sha256Hex(received) + "\""), std::string::npos);

  r = Run({"history", "show", "3", "--archive", archive_});
  EXPECT_EQ(r.exitCode, 1);
  r = Run({"history", "verify", "--archive", archive_});
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(CliHistory, VerifyFailsNamingTheRecordWithAChangedByte) {
  LoggerEmulator logger(Fast(30));
  logger.Start();
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(Run({"download", "--port", logger.PortPath(), "--archive", archive_}).exitCode, 0);
  }
  std::string bytes = Bytes(archive_);
  const std::string text = logger.LastDownloadText();
  // Both downloads hold the same text: change a digit of one copy in the file.
  const std::size_t at = bytes.find(text.substr(28, 40));
  ASSERT_NE(at, std::string::npos);
  bytes[at + 2] = bytes[at + 2] == '0' ? '1' : '0';
  WriteBytes(archive_, bytes);
  const RunResult r = Run({"history", "verify", "--archive", archive_});
  EXPECT_EQ(r.exitCode, 1);
  const std::size_t named = r.err.find(" no longer matches");
  ASSERT_NE(named, std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(" no longer matches", named + 1), std::string::npos) << r.err;
}

TEST_F(CliHistory, DamagedArchiveIsLeftAloneAndTheTableIsStillPrinted) {
  LoggerEmulator logger(Fast(12));
  logger.Start();
  const std::string junk(8192, '\x5a');
  WriteBytes(archive_, junk);
  const RunResult r = Run({"download", "--port", logger.PortPath(), "--archive", archive_});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Samples: 12"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("not archived"), std::string::npos) << r.err;
  EXPECT_EQ(Bytes(archive_), junk);
  EXPECT_EQ(Run({"download", "--port", logger.PortPath(), "--archive", archive_, "--no-archive"})
                .exitCode,
            2);
  EXPECT_EQ(Run({"download", "--port", logger.PortPath(), "--no-archive"}).exitCode, 0);
}

TEST_F(CliHistory, OutputsNamingTheArchiveAreRefusedBeforeAnythingHappens) {
  LoggerEmulator logger(Fast(10));
  logger.Start();
  ASSERT_EQ(Run({"download", "--port", logger.PortPath(), "--archive", archive_}).exitCode, 0);
  const std::string whole = Bytes(archive_);
  fs::create_symlink(archive_, folder_.File("link.txt"));
  ASSERT_EQ(link(archive_.c_str(), folder_.File("hard.txt").c_str()), 0);
  const std::string port = logger.PortPath();
  const std::vector<std::vector<std::string>> commands = {
      {"history", "show", "1", "--archive", archive_, "--out", archive_},
      {"history", "show", "1", "--archive", archive_, "--raw", archive_ + "-wal"},
      {"export", "--history", "1", "--archive", archive_, "--format", "csv", "--out", archive_},
      {"download", "--port", port, "--archive", archive_, "--out", archive_},
      {"download", "--port", port, "--archive", archive_, "--raw", folder_.File("link.txt")},
      {"download", "--port", port, "--no-archive", "--out", folder_.File("hard.txt")},
      {"download", "--port", port, "--archive", archive_, "--out", archive_ + "-shm"},
  };
  for (const std::vector<std::string>& command : commands) {
    const RunResult r = Run(command);
    SCOPED_TRACE(command.back());
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(Bytes(archive_) == whole);
  EXPECT_FALSE(fs::exists(archive_ + "-wal"));
  // Nothing was received either: the archive holds the one download made before.
  EXPECT_EQ(Run({"history", "--json", "--archive", archive_}).out.find("{\"id\":2,"),
            std::string::npos);
}

TEST_F(CliHistory, DamagedArchiveTakesNoDownloadAndTheDownloadIsKeptBesideIt) {
  LoggerEmulator logger(Fast(15));
  logger.Start();
  for (int i = 0; i < 2; ++i)
    ASSERT_EQ(Run({"download", "--port", logger.PortPath(), "--archive", archive_}).exitCode, 0);
  // The table of records loses its page header: the file still opens as a database.
  sqlite3* db = nullptr;
  sqlite3_open_v2(archive_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_schema WHERE name = 'downloads'", -1, &query,
                     nullptr);
  ASSERT_EQ(sqlite3_step(query), SQLITE_ROW);
  const int page = sqlite3_column_int(query, 0);
  sqlite3_finalize(query);
  sqlite3_close(db);
  std::string bytes = Bytes(archive_);
  for (std::size_t i = 0; i < 12; ++i) bytes[(page - 1) * 4096 + i] = '\x7f';
  WriteBytes(archive_, bytes);

  EXPECT_EQ(Run({"history", "verify", "--archive", archive_}).exitCode, 1);
  RunResult r = Run({"download", "--port", logger.PortPath(), "--archive", archive_, "--out",
                     folder_.File("table.txt")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("copy it somewhere safe"), std::string::npos) << r.err;
  EXPECT_TRUE(Bytes(archive_) == bytes);
  EXPECT_NE(Bytes(folder_.File("table.txt")).find("  "), std::string::npos);
  // Without --raw, the characters received go to a file beside the archive, named on stderr.
  const std::size_t at = r.err.find("descarga-sin-archivar-");
  ASSERT_NE(at, std::string::npos) << r.err;
  const std::string rescued =
      r.err.substr(r.err.rfind(' ', at) + 1, r.err.find(".txt", at) + 4 - r.err.rfind(' ', at) - 1);
  EXPECT_EQ(Bytes(rescued), logger.LastDownloadText());
  r = Run({"decode", rescued});
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(CliHistory, ReadOnlyArchiveIsListedShownVerifiedAndExported) {
  LoggerEmulator logger(Fast(8));
  logger.Start();
  ASSERT_EQ(Run({"download", "--port", logger.PortPath(), "--archive", archive_}).exitCode, 0);
  const std::string whole = Bytes(archive_);
  fs::permissions(archive_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::owner_write | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
  // Standard output and error are opened before the user changes; the folder takes no new file.
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"history", "--archive", archive_},
           {"history", "show", "1", "--archive", archive_},
           {"history", "verify", "--archive", archive_},
           {"export", "--history", "1", "--archive", archive_, "--format", "json"},
           {"stats", "--history", "1", "--archive", archive_}}) {
    const RunResult r = Run(command, true);
    SCOPED_TRACE(command[0] + " " + command[1]);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(r.out.empty());
  }
  EXPECT_TRUE(Bytes(archive_) == whole);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.path()), fs::directory_iterator()), 3);
}

TEST_F(CliHistory, AnArchiveOfTheEarlierReleaseListsTheSameBeforeAndAfterItsMigration) {
  std::filesystem::copy_file(VELMORANTE_ARCHIVE_FIXTURES "/archive-3.2.0.sqlite", archive_);
  // Read-only commands take it as it is.
  const RunResult before = Run({"history", "--json", "--archive", archive_});
  ASSERT_EQ(before.exitCode, 0) << before.err;
  EXPECT_NE(before.out.find(R"("start_date":"07/12/2026","start_time":"21:05:00",)"
                            R"("rate":"CADA 5 MINUTOS","start":"2026-12-07T21:05:00",)"
                            R"("rate_minutes":5,)"),
            std::string::npos)
      << before.out;
  const RunResult list = Run({"history", "--archive", archive_});
  EXPECT_NE(list.out.find("07/12/2026 21:05:00  every 5 min"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("08/12/2026 01:20:00  every 10 min   line lost"), std::string::npos)
      << list.out;

  // Noting a save opens it for writing, which migrates it.
  ASSERT_EQ(
      Run({"history", "show", "2", "--out", folder_.File("t.txt"), "--archive", archive_}).exitCode,
      0);
  const RunResult after = Run({"history", "--json", "--archive", archive_});
  ASSERT_EQ(after.exitCode, 0) << after.err;
  std::string expected = before.out;
  const std::string unsaved = R"("id":2,)";
  // Only the note of the save differs.
  const std::size_t at = expected.find(R"("saved":0)", expected.find(unsaved));
  ASSERT_NE(at, std::string::npos);
  expected.replace(at, 9, R"("saved":1)");
  EXPECT_EQ(after.out, expected);
  const RunResult verify = Run({"history", "verify", "--archive", archive_});
  EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;
}

TEST_F(CliHistory, AnArchiveThatKeepsNothingIsRefusedAndAMissingOneIsNamed) {
  LoggerEmulator logger(Fast(10));
  logger.Start();
  for (const char* keepsNothing :
       {"", ":memory:", "file:", "file:descargas?mode=memory", "FILE::memory:"}) {
    SCOPED_TRACE(keepsNothing);
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"download", "--port", logger.PortPath(), "--archive", keepsNothing},
             {"download", "--port", logger.PortPath(), std::string("--archive=") + keepsNothing},
             {"set-rate", "--port", logger.PortPath(), "10", "--archive", keepsNothing},
             {"station", "add", "camara1", "--port", "/dev/ttyUSB1", "--reason", "nueva",
              "--archive", keepsNothing},
             {"history", "verify", "--archive", keepsNothing}}) {
      const RunResult r = Run(command);
      EXPECT_EQ(r.exitCode, 2) << command[0] << '\n' << r.err;
      EXPECT_NE(r.err.find("nothing would be kept"), std::string::npos) << r.err;
    }
    // An empty variable is no name: the usual archive is meant.
    if (*keepsNothing == '\0') continue;
    const RunResult r =
        RunWithArchiveVariable({"download", "--port", logger.PortPath()}, keepsNothing);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("VELMORANTE_ARCHIVE"), std::string::npos) << r.err;
  }
  // None of them reached the logger: it sent no download and kept its rate.
  EXPECT_TRUE(logger.LastDownloadText().empty());
  const RunResult status = Run({"status", "--port", logger.PortPath()});
  EXPECT_NE(status.out.find("rate 5 minutes"), std::string::npos) << status.out;
  EXPECT_EQ(Run({"download", "--port", logger.PortPath(), "--no-archive"}).exitCode, 0);

  // Read commands given a name that is not there say so, with or without the variable.
  const std::string typo = folder_.File("descragas.sqlite");
  for (const std::vector<std::string>& command :
       std::vector<std::vector<std::string>>{{"history"},
                                             {"history", "verify"},
                                             {"history", "show", "1"},
                                             {"audit"},
                                             {"audit", "verify"},
                                             {"alarms"},
                                             {"station", "list"},
                                             {"station", "status"}}) {
    std::vector<std::string> named = command;
    named.insert(named.end(), {"--archive", typo});
    for (const RunResult& r : {Run(named), RunWithArchiveVariable(command, typo.c_str())}) {
      EXPECT_EQ(r.exitCode, 1) << command.back() << '\n' << r.out << r.err;
      EXPECT_NE(r.err.find("no archive at " + typo), std::string::npos) << r.err;
    }
  }
  EXPECT_FALSE(fs::exists(typo));
}

TEST_F(CliHistory, VerifyFindsADamagedHeaderOnEveryPage) {
  for (int i = 0; i < 4; ++i) Archive(DownloadText(60 + 40 * i, i), i % 2 ? "camara1" : "");
  const StationAuditNote note{CurrentActor("velmorante-cli", "3.2.0"), "nueva cámara"};
  StationStore(archive_).Add({"camara1", "/dev/ttyUSB1", 1500, std::chrono::hours(24)}, &note);
  ASSERT_EQ(Run({"history", "verify", "--archive", archive_}).exitCode, 0);
  ASSERT_EQ(Run({"audit", "verify", "--archive", archive_}).exitCode, 0);

  const std::string whole = Bytes(archive_);
  const std::size_t pageSize =
      (static_cast<unsigned char>(whole[16]) << 8) | static_cast<unsigned char>(whole[17]);
  ASSERT_GE(pageSize, 512u);
  ASSERT_EQ(whole.size() % pageSize, 0u);
  // Tables, indexes and texts over several pages each.
  ASSERT_GE(whole.size() / pageSize, 30u);
  const std::string copy = folder_.File("copia.sqlite");
  for (std::size_t page = 0; page < whole.size() / pageSize; ++page) {
    SCOPED_TRACE("page " + std::to_string(page + 1));
    std::string bytes = whole;
    // The first page's own header follows the file's header.
    const std::size_t at = page * pageSize + (page == 0 ? 100 : 0);
    for (std::size_t i = 0; i < 12; ++i) bytes[at + i] = '\x7f';
    WriteBytes(copy, bytes);
    for (const char* command : {"history", "audit"}) {
      const RunResult r = Run({command, "verify", "--archive", copy});
      EXPECT_EQ(r.exitCode, 1) << command << '\n' << r.out << r.err;
      EXPECT_EQ(r.err.find("exception"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(Bytes(copy) == bytes);
  }
}

TEST_F(CliHistory, OutputsNamingTheirInputAreRefused) {
  std::string cut = DownloadText(20);
  cut.pop_back();
  const std::string capture = folder_.File("descarga-sin-archivar-1.txt");
  WriteBytes(capture, cut);
  fs::create_symlink(capture, folder_.File("enlace.txt"));
  ASSERT_EQ(link(capture.c_str(), folder_.File("otro.txt").c_str()), 0);
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"decode", capture, "--out", capture},
           {"decode", capture, "--out", folder_.File("enlace.txt")},
           {"export", capture, "--format", "csv", "--out", folder_.File("otro.txt")},
           {"export", folder_.File("enlace.txt"), "--format", "json", "--out=" + capture}}) {
    const RunResult r = Run(command);
    SCOPED_TRACE(command[0] + " " + command.back());
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Bytes(capture), cut);
  EXPECT_TRUE(fs::is_symlink(folder_.File("enlace.txt")));
}

TEST_F(CliHistory, ADownloadCutAfterALineEndCountsItsLastSampleEverywhere) {
  // Fifty whole sample lines and no end marker.
  std::string cut = DownloadText(50);
  cut.pop_back();
  Archive(cut);
  WriteBytes(folder_.File("cut.raw"), cut);
  const RunResult decoded = Run({"decode", folder_.File("cut.raw")});
  EXPECT_NE(decoded.out.find("\n50  "), std::string::npos) << decoded.out;
  EXPECT_EQ(decoded.out.find("\n51  "), std::string::npos) << decoded.out;
  RunResult r = Run({"history", "--json", "--archive", archive_});
  EXPECT_NE(r.out.find("\"samples\":50,"), std::string::npos) << r.out;
  ASSERT_EQ(Run({"decode", folder_.File("cut.raw"), "--out", folder_.File("a.txt")}).exitCode, 1);
  ASSERT_EQ(
      Run({"history", "show", "1", "--archive", archive_, "--out", folder_.File("b.txt")}).exitCode,
      0);
  EXPECT_EQ(Bytes(folder_.File("b.txt")), Bytes(folder_.File("a.txt")));
  r = Run({"export", "--history", "1", "--archive", archive_, "--format", "csv"});
  EXPECT_EQ(r.out, Run({"export", folder_.File("cut.raw"), "--format", "csv"}).out);
  EXPECT_EQ(Run({"history", "verify", "--archive", archive_}).exitCode, 0);

  // A record of an earlier version, which left that sample out, still matches its text; any
  // other count does not.
  for (const auto& [samples, status] : {std::pair{49, 0}, std::pair{48, 1}}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(archive_.c_str(), &db), SQLITE_OK);
    const std::string sql = "UPDATE downloads SET samples = " + std::to_string(samples);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    r = Run({"history", "verify", "--archive", archive_});
    EXPECT_EQ(r.exitCode, status) << samples << '\n' << r.err;
  }
}

}  // namespace
