// A station at work for minutes while everything else that writes to its archive runs beside it:
// commands that change rules, calibrations and the station's settings, acknowledgements from the
// command line and from the alarms window, signatures, exports, pushes to a central archive, and a
// second station on the same file started and stopped; the station itself is killed at random
// moments and started again. At the end every sample the logger recorded is in the record once,
// and the archive is whole and checks out.
//
// VELMORANTE_SOAK_SECONDS sets the length (180 by default), VELMORANTE_SOAK_SEED the random
// moments (printed, so that a failing run can be repeated).
#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "archive/DownloadArchive.h"
#include "record/ArchiveRecord.h"
#include "sim/LoggerEmulator.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/central/CentralTestArchives.h"
#include "tests/central/PgCluster.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// What one run of a program left: its exit status (-1 for a signal) and its error output.
struct Finished {
  int status = -1;
  std::string err;
  std::string out;
};

// Starts `program` with `args`, its standard input from `input` (when not empty), its outputs in
// files of `folder` named after `tag`; messages in English.
pid_t Start(const std::string& program, const std::vector<std::string>& args,
            const std::string& folder, const std::string& tag, const std::string& input = "") {
  std::vector<std::string> all = {program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> entries = {"LC_ALL=C", "QT_QPA_PLATFORM=offscreen"};
  for (char** variable = environ; *variable; ++variable) {
    const std::string entry = *variable;
    if (entry.rfind("LC_", 0) != 0 && entry.rfind("LANG", 0) != 0 &&
        entry.rfind("QT_QPA_PLATFORM=", 0) != 0)
      entries.push_back(entry);
  }
  std::vector<char*> envp;
  for (std::string& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  const std::string out = folder + "/" + tag + ".out";
  const std::string err = folder + "/" + tag + ".err";
  const pid_t pid = fork();
  if (pid == 0) {
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int i = ::open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
    if (o < 0 || e < 0 || i < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0 || dup2(i, 0) < 0) _exit(126);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  return pid;
}

// Waits for `pid`; one that runs past `patience` is taken for hung, killed, and reported so.
Finished Wait(pid_t pid, const std::string& folder, const std::string& tag,
              Clock::duration patience = 120s) {
  Finished done;
  const auto deadline = Clock::now() + patience;
  int status = 0;
  for (;;) {
    const pid_t got = waitpid(pid, &status, WNOHANG);
    if (got == pid) break;
    if (got < 0) return done;
    if (Clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      done.err =
          "hung: killed after " +
          std::to_string(std::chrono::duration_cast<std::chrono::seconds>(patience).count()) + " s";
      return done;
    }
    std::this_thread::sleep_for(20ms);
  }
  done.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  done.out = archive_test::Bytes(folder + "/" + tag + ".out");
  done.err = archive_test::Bytes(folder + "/" + tag + ".err");
  return done;
}

// The descriptors of `pid` that lead to a deleted side file of the archive.
std::vector<std::string> DeletedSideFiles(pid_t pid, const std::string& archive) {
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    std::error_code linkError;
    const std::string target = std::filesystem::read_symlink(entry.path(), linkError).string();
    if (linkError || target.find(" (deleted)") == std::string::npos) continue;
    if (target.rfind(archive, 0) == 0) found.push_back(target);
  }
  return found;
}

int EnvNumber(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::atoi(text) : fallback;
}

// A logger that records a sample every 2 seconds (one-minute samples, its clock 30 times faster
// than time), answers four times a second and sends downloads unpaced.
LoggerOptions BusyLogger(const std::string& link, std::uint32_t seed) {
  LoggerOptions options;
  options.storedSamples = 3;
  options.rateCode = 1;
  options.speed = 30;
  options.statusPeriodMs = 250;
  options.baud = 0;
  options.endMarkerPauseMs = 40;
  options.seed = seed;
  options.linkPath = link;
  return options;
}

class StationSoak : public ::testing::Test {
 protected:
  // Runs velmorante-cli to its end; a failure (or a hang) is kept for the report.
  Finished Cli(const std::vector<std::string>& args, const std::string& tag,
               const std::string& input = "") {
    std::vector<std::string> withArchive = args;
    withArchive.insert(withArchive.end(), {"--archive", archive_});
    return Wait(Start(VELMORANTE_CLI_PATH, withArchive, folder_.path().string(), tag, input),
                folder_.path().string(), tag);
  }
  void Expect(const Finished& done, const std::string& what, int status = 0) {
    if (done.status == status) return;
    std::lock_guard lock(failuresMutex_);
    failures_.push_back(what + " exited " + std::to_string(done.status) + ": " + done.err);
  }

  archive_test::TempFolder folder_;
  const std::string archive_ = folder_.File("descargas.sqlite");
  std::mutex failuresMutex_;
  std::vector<std::string> failures_;
};

TEST_F(StationSoak, EverySampleIsKeptOnceWhileOthersWriteAndTheStationIsKilled) {
  const int seconds = EnvNumber("VELMORANTE_SOAK_SECONDS", 180);
  const auto seed = static_cast<std::uint32_t>(
      EnvNumber("VELMORANTE_SOAK_SEED", static_cast<int>(std::random_device()() & 0x7fffffff)));
  std::printf("soak: %d s, seed %u (VELMORANTE_SOAK_SEED)\n", seconds, seed);
  std::mt19937 random(seed);

  std::optional<PgCluster> cluster;
  std::string central;
  std::string why;
  if (PgCluster::Available(&why)) {
    cluster.emplace();
    central_test::CentralOn(*cluster);
    central = cluster->Url("central", "velmorante_station");
  } else if (std::getenv("VELMORANTE_TEST_REQUIRE_POSTGRESQL")) {
    FAIL() << why;
  } else {
    std::printf("soak: no central archive here (%s); sync is left out\n", why.c_str());
  }

  LoggerEmulator logger(BusyLogger(folder_.File("camara1"), seed));
  LoggerEmulator second(BusyLogger(folder_.File("camara2"), seed + 1));
  logger.Start();
  second.Start();
  ASSERT_EQ(Cli({"station", "add", "camara1", "--port", folder_.File("camara1"), "--reset-at", "12",
                 "--download-every", "30s", "--reason", "prueba larga"},
                "add1")
                .status,
            0);
  ASSERT_EQ(Cli({"station", "add", "camara2", "--port", folder_.File("camara2"), "--reset-at", "10",
                 "--download-every", "30s", "--reason", "prueba larga"},
                "add2")
                .status,
            0);
  if (!central.empty()) {
    ASSERT_EQ(
        Cli({"station", "set", "camara1", "--central", central, "--reason", "central"}, "central")
            .status,
        0);
  }
  // Always beyond: alarms are raised and wait to be acknowledged.
  ASSERT_EQ(
      Cli({"rules", "set", "camara1", "--t-high", "0", "--reason", "prueba"}, "rules0").status, 0);

  const std::string folder = folder_.path().string();
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  std::atomic<bool> over{false};
  std::atomic<pid_t> station{0};
  std::atomic<int> deletedSeen{0};
  std::string deletedExample;

  // Watches the running station's descriptors for a side file deleted under it.
  std::thread watcher([&] {
    while (!over) {
      const pid_t pid = station;
      if (pid > 0) {
        const std::vector<std::string> deleted = DeletedSideFiles(pid, archive_);
        if (!deleted.empty() && deletedSeen++ == 0) deletedExample = deleted.front();
      }
      std::this_thread::sleep_for(50ms);
    }
  });

  // The second station on the same file, started and stopped.
  std::thread neighbour([&] {
    std::mt19937 pace(seed + 2);
    int round = 0;
    while (!over) {
      const std::string tag = "camara2-" + std::to_string(round++ % 4);
      const pid_t pid = Start(VELMORANTE_CLI_PATH,
                              {"station", "run", "camara2", "--archive", archive_}, folder, tag);
      const auto until = Clock::now() + std::chrono::milliseconds(2000 + pace() % 4000);
      while (!over && Clock::now() < until) std::this_thread::sleep_for(50ms);
      ::kill(pid, SIGTERM);
      Expect(Wait(pid, folder, tag), "station run camara2 (SIGTERM)");
      std::this_thread::sleep_for(std::chrono::milliseconds(500 + pace() % 1500));
    }
  });

  // Everything else that writes, one program after another.
  std::thread writers([&] {
    const std::string password = folder_.File("password");
    const char* pamUser = std::getenv("VELMORANTE_TEST_PAM_USER");
    const char* pamPassword = std::getenv("VELMORANTE_TEST_PAM_PASSWORD");
    const bool realSigner = pamUser && pamPassword;
    archive_test::WriteBytes(password,
                             std::string(realSigner ? pamPassword : "no-es-la-clave") + "\n");
    const std::string signer = realSigner ? pamUser : "nobody";
    for (int round = 0; !over; ++round) {
      const std::string n = std::to_string(round);
      switch (round % 9) {
        case 0:
          Expect(Cli({"rules", "set", "camara1", "--t-high", round % 2 ? "1" : "0", "--reason",
                      "prueba " + n},
                     "rules"),
                 "rules set");
          break;
        case 1:
          Expect(
              Cli({"calibration", "set", "camara1", "--t-offset", "0." + n, "--certificate",
                   "C-" + n, "--date", "2026-01-01", "--due", "2030-01-01", "--reason", "prueba"},
                  "calibration"),
              "calibration set");
          break;
        case 2:
          Expect(Cli({"station", "set", "camara1", "--download-every", round % 2 ? "30s" : "40s",
                      "--reason", "prueba " + n},
                     "set"),
                 "station set");
          break;
        case 3: {
          const Finished list = Cli({"alarms", "--station", "camara1", "--open", "--json"}, "list");
          Expect(list, "alarms --json");
          nlohmann::json alarms = nlohmann::json::parse(list.out, nullptr, false);
          if (!alarms.is_array()) break;
          for (const nlohmann::json& alarm : alarms) {
            if (!alarm["acknowledged"].is_null()) continue;
            Expect(Cli({"alarms", "ack", std::to_string(alarm["id"].get<long long>()), "--comment",
                        "visto " + n},
                       "ack"),
                   "alarms ack");
            break;
          }
          break;
        }
        case 4: {
          // The oldest download: what it signs never changes, unlike a period still recorded.
          const Finished list = Cli({"history", "--json"}, "history");
          Expect(list, "history --json");
          const nlohmann::json downloads = nlohmann::json::parse(list.out, nullptr, false);
          if (!downloads.is_array() || downloads.empty()) break;
          Expect(Cli({"sign", "--history", std::to_string(downloads.back()["id"].get<long long>()),
                      "--meaning", "revisado", "--user", signer, "--password-stdin"},
                     "sign", password),
                 "sign", realSigner ? 0 : 1);
          break;
        }
        case 5:
          Expect(Cli({"export", "--station", "camara1", "--format", "csv", "--out",
                      folder_.File(("export-" + std::to_string(round % 3) + ".csv").c_str())},
                     "export"),
                 "export");
          break;
        case 6:
          if (!central.empty()) Expect(Cli({"sync", "--central", central}, "sync"), "sync");
          break;
        case 7:
#ifdef VELMORANTE_WINDOW_ACK_PATH
        {
          // 3: nothing left to acknowledge, which is not a fault.
          const Finished done = Wait(
              Start(VELMORANTE_WINDOW_ACK_PATH, {archive_}, folder, "window"), folder, "window");
          if (done.status != 3) Expect(done, "acknowledgement in the alarms window");
        }
#endif
        break;
        case 8:
          Expect(Cli({"station", "status", "camara1", "--json"}, "status"), "station status");
          break;
      }
    }
  });

  // The station, killed at random moments and started again at once.
  int kills = 0;
  while (Clock::now() < end) {
    const pid_t pid =
        Start(VELMORANTE_CLI_PATH, {"station", "run", "camara1", "--archive", archive_}, folder,
              "camara1");
    station = pid;
    const auto until =
        std::min(end, Clock::now() + std::chrono::milliseconds(1500 + random() % 12000));
    while (Clock::now() < until) std::this_thread::sleep_for(20ms);
    if (Clock::now() >= end) {
      station = 0;
      ::kill(pid, SIGTERM);
      Expect(Wait(pid, folder, "camara1"), "station run camara1 (SIGTERM)");
      break;
    }
    station = 0;
    ::kill(pid, SIGKILL);
    Wait(pid, folder, "camara1");
    ++kills;
  }
  over = true;
  writers.join();
  neighbour.join();
  watcher.join();
  std::printf("soak: the station was killed %d times\n", kills);

  for (const std::string& failure : failures_) ADD_FAILURE() << failure;
  EXPECT_EQ(deletedSeen, 0) << "the station held a deleted side file: " << deletedExample;

  // Every sample once: those the logger no longer holds are all in earlier recordings of the
  // record, and of those it holds, the record has a beginning.
  EXPECT_EQ(logger.SamplesErasedUnseen(), 0);
  EXPECT_EQ(second.SamplesErasedUnseen(), 0);
  int recorded = 0;
  int held = 0;
  do {
    recorded = logger.SamplesRecorded();
    held = static_cast<int>(logger.StoredSamples().size());
  } while (recorded != logger.SamplesRecorded());
  std::tm start{};
  const std::time_t loggingStart = logger.LoggingStart();
  gmtime_r(&loggingStart, &start);
  const LoggerStart current{start.tm_year + 1900, start.tm_mon + 1, start.tm_mday,
                            start.tm_hour,        start.tm_min,     start.tm_sec};
  DownloadArchive archive(archive_, ArchiveAccess::kReadOnly);
  const std::optional<record::StationRecord> record = record::ReadStationRecord(archive, "camara1");
  ASSERT_TRUE(record);
  int earlier = 0;
  int ofCurrent = 0;
  for (const record::Segment& segment : record->segments) {
    // A download's header gives the year in two digits.
    LoggerStart begun = segment.start;
    begun.year = 2000 + begun.year % 100;
    (begun == current ? ofCurrent : earlier) += static_cast<int>(segment.samples.size());
    std::printf("soak: recording of %04d-%02d-%02d %02d:%02d:%02d, %zu samples\n",
                segment.start.year, segment.start.month, segment.start.day, segment.start.hour,
                segment.start.minute, segment.start.second, segment.samples.size());
    EXPECT_FALSE(segment.conflicting());
  }
  std::printf(
      "soak: %d samples recorded, %d of them in the logger now, in the recording of "
      "%04d-%02d-%02d %02d:%02d:%02d\n",
      recorded, held, current.year, current.month, current.day, current.hour, current.minute,
      current.second);
  EXPECT_EQ(earlier, recorded - held);
  EXPECT_LE(ofCurrent, held);
  EXPECT_TRUE(record->leftOut.empty());

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(archive_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* check = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_close(db);
  const Finished history = Cli({"history", "verify"}, "verify");
  EXPECT_EQ(history.status, 0) << history.out << history.err;
  const Finished audit = Cli({"audit", "verify"}, "audit");
  EXPECT_EQ(audit.status, 0) << audit.out << audit.err;
}

}  // namespace
