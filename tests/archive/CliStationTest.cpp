// velmorante-cli's station commands run as a program on a real archive file: settings kept,
// changed and refused with the right exit status, and a status that tells a running station from
// one whose service is gone or silent.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <fstream>
#include <nlohmann/json.hpp>

#include "archive/ArchiveFile.h"
#include "archive/AuditTrail.h"
#include "archive/DownloadArchive.h"
#include "archive/StationStore.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/sim/CliProcess.h"

namespace {

using namespace archive_test;
using std::chrono::system_clock;
using Json = nlohmann::json;

struct RunResult {
  int exitCode = -1;
  std::string out, err;
};

class CliStation : public ::testing::Test {
 protected:
  // Changes are given a reason unless the test gives its own or `withReason` is false.
  RunResult Run(std::vector<std::string> args, bool withReason = true) {
    const bool change = args[0] == "add" || args[0] == "set" || args[0] == "remove";
    if (withReason && change && std::find(args.begin(), args.end(), "--reason") == args.end()) {
      args.insert(args.end(), {"--reason", "puesta en marcha"});
    }
    args.insert(args.begin(), "station");
    args.push_back("--archive=" + archive_);
    const CliOutputFiles files{folder_.File("stdout"), folder_.File("stderr")};
    RunResult result;
    result.exitCode = WaitForCli(StartCli(args, files));
    result.out = Bytes(files.out);
    result.err = Bytes(files.err);
    return result;
  }

  TempFolder folder_;
  const std::string archive_ = folder_.File("descargas.sqlite");
};

// A process id that no process has: a child that has ended and been reaped.
pid_t EndedProcess() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

TEST_F(CliStation, AddSetListRemoveWithTheirRefusals) {
  EXPECT_EQ(Run({"add", "camara1", "--port", "/dev/ttyUSB0", "--download-every", "1d12h"}).exitCode,
            0);
  EXPECT_EQ(Run({"add", "camara1", "--port", "/dev/ttyUSB1"}).exitCode, 1);  // taken
  EXPECT_EQ(Run({"add", "camara 2", "--port", "/dev/ttyUSB1"}).exitCode, 2);
  EXPECT_EQ(Run({"add", "camara2"}).exitCode, 2);  // no port
  EXPECT_EQ(Run({"add", "camara2", "--port", "p", "--reset-at", "2001"}).exitCode, 2);
  EXPECT_EQ(Run({"add", "camara2", "--port", "p", "--download-every", "29s"}).exitCode, 2);
  EXPECT_EQ(Run({"add", "camara2", "--port", "p", "--download-every", "10"}).exitCode, 2);
  EXPECT_EQ(Run({"set", "camara1"}).exitCode, 2);  // nothing to change
  EXPECT_EQ(Run({"set", "nadie", "--reset-at", "10"}).exitCode, 1);
  EXPECT_EQ(Run({"remove", "nadie"}).exitCode, 1);
  EXPECT_EQ(Run({"status", "nadie"}).exitCode, 1);
  EXPECT_EQ(Run({"set", "camara1", "--reset-at", "900"}).exitCode, 0);
  ASSERT_EQ(Run({"add", "almacen", "--port", "/dev/serial/by-id/usb-X"}).exitCode, 0);

  RunResult r = Run({"list", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Json expected = Json::parse(
      R"([{"name":"almacen","port":"/dev/serial/by-id/usb-X","reset_at":1500,)"
      R"("download_every_s":86400},{"name":"camara1","port":"/dev/ttyUSB0","reset_at":900,)"
      R"("download_every_s":129600}])");
  EXPECT_EQ(Json::parse(r.out), expected);

  r = Run({"remove", "almacen"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("stay"), std::string::npos) << r.out;
  r = Run({"list"});
  EXPECT_EQ(r.out.find("almacen"), std::string::npos);
  EXPECT_NE(r.out.find("1d12h"), std::string::npos) << r.out;
}

TEST_F(CliStation, ChangesWithoutAReasonAreRefusedAndEachChangeIsAudited) {
  RunResult r = Run({"add", "camara1", "--port", "/dev/ttyUSB0"}, false);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--reason"), std::string::npos) << r.err;
  EXPECT_EQ(Run({"add", "camara1", "--port", "/dev/ttyUSB0", "--reason", " "}, false).exitCode, 2);
  ASSERT_EQ(Run({"add", "camara1", "--port", "/dev/ttyUSB0", "--reason", "nueva cámara"}).exitCode,
            0);
  EXPECT_EQ(Run({"set", "camara1", "--reset-at", "900"}, false).exitCode, 2);
  EXPECT_EQ(Run({"remove", "camara1"}, false).exitCode, 2);
  EXPECT_EQ(StationStore(archive_).Find("camara1")->resetAt, 1500);
  ASSERT_EQ(Run({"set", "camara1", "--reset-at", "900", "--reason", "más margen"}).exitCode, 0);
  ASSERT_EQ(Run({"remove", "camara1", "--reason", "retirada"}).exitCode, 0);

  ArchiveFile file(archive_, ArchiveAccess::kReadOnly);
  const std::vector<AuditEntry> entries = ReadAuditEntries(file.connection());
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].change.action, AuditAction::kStationAdd);
  EXPECT_EQ(entries[0].change.reason, "nueva cámara");
  EXPECT_EQ(entries[1].change.action, AuditAction::kStationChange);
  EXPECT_EQ(Json::parse(*entries[1].change.oldValue)["reset_at"], 1500);
  EXPECT_EQ(Json::parse(*entries[1].change.newValue)["reset_at"], 900);
  EXPECT_EQ(entries[1].change.reason, "más margen");
  EXPECT_EQ(entries[2].change.action, AuditAction::kStationRemove);
  EXPECT_FALSE(entries[2].change.newValue);
  for (const AuditEntry& e : entries) {
    EXPECT_EQ(e.change.station, "camara1");
    EXPECT_EQ(e.actor.program, "velmorante-cli");
  }
}

TEST_F(CliStation, StatusTellsRunningStationsFromStaleOnes) {
  for (const char* name : {"viva", "muerta", "callada", "nueva"})
    ASSERT_EQ(Run({"add", name, "--port", "/dev/ttyUSB0"}).exitCode, 0);
  const system_clock::time_point now = system_clock::now();
  const system_clock::time_point reply = system_clock::time_point(std::chrono::seconds(1796685000));
  {
    StationStore store(archive_);
    StationStatus status;
    status.updatedAt = now;
    status.pid = getpid();
    status.connected = true;
    status.lastReplyAt = reply;
    status.loggerClock = "2026-12-07T14:05:00";
    status.clockDriftSeconds = -4;
    status.memoryUsed = 1000;
    status.rateMinutes = 5;
    status.batteryPercent = 80.0;
    status.problem = "memoria llena pronto";
    status.station = "viva";
    store.WriteStatus(status);
    status.station = "muerta";  // its service has ended
    status.pid = EndedProcess();
    store.WriteStatus(status);
    status.station = "callada";  // alive, but has written nothing for three minutes
    status.pid = getpid();
    status.updatedAt = now - std::chrono::minutes(3);
    store.WriteStatus(status);
  }
  RunResult r = Run({"status", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Json all = Json::parse(r.out);
  ASSERT_EQ(all.size(), 4u);
  std::map<std::string, Json> byName;
  for (const Json& station : all) byName[station["name"]] = station;
  EXPECT_TRUE(byName["viva"]["running"]);
  EXPECT_TRUE(byName["viva"]["connected"]);
  EXPECT_EQ(byName["viva"]["clock_drift_s"], -4);
  EXPECT_EQ(byName["viva"]["memory_used"], 1000);
  // 1000 samples left at one every 5 minutes from the last reply.
  EXPECT_EQ(byName["viva"]["memory_full_at"], UtcText(reply + std::chrono::minutes(5000)));
  EXPECT_EQ(byName["viva"]["problem"], "memoria llena pronto");
  for (const char* stale : {"muerta", "callada", "nueva"}) {
    EXPECT_FALSE(byName[stale]["running"]) << stale;
    EXPECT_FALSE(byName[stale]["connected"]) << stale;
  }
  EXPECT_TRUE(byName["nueva"]["updated_at"].is_null());

  r = Run({"status", "muerta"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("not running"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("memoria llena pronto"), std::string::npos) << r.out;
}

TEST_F(CliStation, NotificationSettingsAreCheckedKeptShownWithoutPasswordAndCleared) {
  ASSERT_EQ(Run({"add", "camara1", "--port", "/dev/ttyUSB0"}).exitCode, 0);
  const std::string secret = folder_.File("clave");
  { std::ofstream(secret) << "s3creto\n"; }
  // A password on the command line is refused without being repeated.
  RunResult r = Run({"set", "camara1", "--smtp-password", "s3creto"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err.find("s3creto"), std::string::npos) << r.err;
  const std::vector<std::string> mail = {"set",
                                         "camara1",
                                         "--smtp",
                                         "smtp://127.0.0.1:2525",
                                         "--mail-from",
                                         "registro@example.org",
                                         "--mail-to",
                                         "jefa@example.org",
                                         "--mail-to",
                                         "turno@example.org",
                                         "--smtp-user",
                                         "registro",
                                         "--smtp-password-file",
                                         secret,
                                         "--notify-command",
                                         "cat >/dev/null"};
  ::chmod(secret.c_str(), 0644);
  r = Run(mail);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("chmod 600"), std::string::npos) << r.err;
  EXPECT_EQ(Run({"set", "camara1", "--smtp", "smtp://127.0.0.1:2525"}).exitCode, 2);  // no sender
  EXPECT_EQ(Run({"set", "camara1", "--mail-to", "jefa@example.org\r\nBcc: x@y.z"}).exitCode, 2);
  ::chmod(secret.c_str(), 0600);
  ASSERT_EQ(Run(mail).exitCode, 0);

  r = Run({"list", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Json notify = Json::parse(r.out)[0]["notify"];
  EXPECT_EQ(notify["mail_to"], Json::parse(R"(["jefa@example.org", "turno@example.org"])"));
  EXPECT_EQ(notify["smtp_password_file"], secret);
  EXPECT_EQ(notify["command"], "cat >/dev/null");
  for (const auto& shown : {Run({"list"}), Run({"status"}), Run({"status", "--json"})}) {
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_NE(shown.out.find("smtp://127.0.0.1:2525"), std::string::npos) << shown.out;
    EXPECT_EQ(shown.out.find("s3creto"), std::string::npos) << shown.out;
  }
  // Changing one setting keeps the others; empty values clear.
  ASSERT_EQ(Run({"set", "camara1", "--notify-command", ""}).exitCode, 0);
  EXPECT_EQ(Json::parse(Run({"list", "--json"}).out)[0]["notify"]["smtp"], "smtp://127.0.0.1:2525");
  {
    // The change is audited with what it was and what it is, never with the password.
    DownloadArchive archive(archive_, ArchiveAccess::kReadOnly);
    const AuditEntry last = archive.AuditEntries().back();
    EXPECT_EQ(last.change.object, "station camara1 notifications");
    EXPECT_EQ(Json::parse(*last.change.oldValue)["command"], "cat >/dev/null");
    EXPECT_TRUE(Json::parse(*last.change.newValue)["command"].is_null());
    EXPECT_EQ(last.change.reason, "puesta en marcha");
    for (const AuditEntry& entry : archive.AuditEntries())
      EXPECT_EQ(entry.change.newValue.value_or("").find("s3creto"), std::string::npos);
  }
  ASSERT_EQ(Run({"set", "camara1", "--smtp", "", "--mail-from", "", "--mail-to", "", "--smtp-user",
                 "", "--smtp-password-file", ""})
                .exitCode,
            0);
  EXPECT_FALSE(Json::parse(Run({"list", "--json"}).out)[0].contains("notify"));
}

}  // namespace
