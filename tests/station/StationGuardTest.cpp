// The station service and the clock setting guarded against losing what they must keep: one
// service per station, a reset audited before its command, a memory that cannot be emptied said,
// ports that are no serial port refused, and set-clock that erases only archived samples.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "alarms/AlarmStore.h"
#include "archive/AuditTrail.h"
#include "archive/DownloadArchive.h"
#include "archive/StationStore.h"
#include "sim/LoggerEmulator.h"
#include "station/StationAlarms.h"
#include "station/StationLock.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/sim/CliProcess.h"
#include "tests/station/FillingLogger.h"

namespace {

using namespace std::chrono_literals;
using archive_test::Bytes;

// The exit status of `pid` once it ends by itself within `patience`; -2 (and the process killed)
// when it does not.
int ExitWithin(pid_t pid, std::chrono::seconds patience) {
  int status = 0;
  const bool ended =
      station_test::WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, patience);
  if (!ended) {
    ::kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -2;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Ran {
  int exitCode = -1;
  std::string out, err;
};

Ran RunCli(const std::vector<std::string>& args, const archive_test::TempFolder& folder) {
  const CliOutputFiles files{folder.File("run-out"), folder.File("run-err")};
  Ran ran;
  ran.exitCode = ExitWithin(StartCli(args, files), 60s);
  ran.out = Bytes(files.out);
  ran.err = Bytes(files.err);
  return ran;
}

std::optional<StationStatus> StatusOf(const std::string& archive) {
  return StationStore(archive, ArchiveAccess::kReadOnly).ReadStatus("camara1");
}

TEST(StationGuard, ASecondRunIsRefusedAtOnceAndTheFirstKeepsItsPortAndStatus) {
  archive_test::TempFolder folder;
  LoggerEmulator logger(station_test::FillingLogger(folder.File("logger")));
  logger.Start();
  const std::string archive = folder.File("archivo.sqlite");
  StationStore(archive).Add({"camara1", folder.File("logger"), 2000, std::chrono::hours(24)});
  const std::vector<std::string> run = {"station", "run", "camara1", "--archive", archive};
  const pid_t first = StartCli(run, {folder.File("out1"), folder.File("err1")});
  ASSERT_TRUE(station_test::WaitFor([&] {
    const std::optional<StationStatus> status = StatusOf(archive);
    return status && status->pid == first && status->connected && status->lastDownloadAt;
  })) << Bytes(folder.File("err1"));

  const Ran second = RunCli(run, folder);
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.err.find("runs already (process " + std::to_string(first) + ")"),
            std::string::npos)
      << second.err;
  const std::optional<StationStatus> after = StatusOf(archive);
  EXPECT_EQ(after->pid, first);
  EXPECT_TRUE(after->connected);
  EXPECT_TRUE(after->problem.empty()) << after->problem;

  // A download from the command line names the station that holds the port.
  const Ran download =
      RunCli({"download", "--port", folder.File("logger"), "--archive", archive}, folder);
  EXPECT_EQ(download.exitCode, 1);
  EXPECT_NE(download.err.find("station 'camara1' (process " + std::to_string(first) + ")"),
            std::string::npos)
      << download.err;

  // Killed outright, the service leaves no lock behind: the next run takes over.
  ::kill(first, SIGKILL);
  EXPECT_EQ(WaitForCli(first), -1);
  const pid_t third = StartCli(run, {folder.File("out3"), folder.File("err3")});
  EXPECT_TRUE(station_test::WaitFor([&] {
    const std::optional<StationStatus> status = StatusOf(archive);
    return status && status->pid == third && status->connected;
  })) << Bytes(folder.File("err3"));
  ::kill(third, SIGTERM);
  EXPECT_EQ(WaitForCli(third), 0);
}

TEST(StationGuard, AResetIsInTheAuditTrailBeforeTheLoggerIsEmptied) {
  archive_test::TempFolder folder;
  LoggerEmulator logger(station_test::FillingLogger(folder.File("logger")));
  logger.Start();
  const std::string archive = folder.File("archivo.sqlite");
  StationStore(archive).Add({"camara1", folder.File("logger"), 4, std::chrono::hours(24)});
  const pid_t pid = StartCli({"station", "run", "camara1", "--archive", archive},
                             {folder.File("out"), folder.File("err")});
  // Killed the moment the logger's memory empties, long before the replies that show whether it
  // took the setting (a reply every 250 ms): looked at every millisecond.
  std::size_t held = logger.StoredSamples().size();
  bool emptied = false;
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  while (!emptied && std::chrono::steady_clock::now() < deadline) {
    const std::size_t now = logger.StoredSamples().size();
    emptied = now < held;
    held = now;
    if (!emptied) std::this_thread::sleep_for(1ms);
  }
  ::kill(pid, SIGKILL);
  ASSERT_TRUE(emptied) << Bytes(folder.File("err"));
  EXPECT_EQ(WaitForCli(pid), -1);
  EXPECT_EQ(logger.SamplesErasedUnseen(), 0);
  DownloadArchive records(archive);
  int clockSettings = 0;
  for (const AuditEntry& entry : records.AuditEntries())
    clockSettings += entry.change.action == AuditAction::kSetClock;
  EXPECT_GE(clockSettings, 1);
  EXPECT_TRUE(records.Verify().empty());
}

TEST(StationGuard, AMemoryThatCannotBeEmptiedIsSaidInTheLogAndTheStatus) {
  archive_test::TempFolder folder;
  LoggerOptions options = station_test::FillingLogger(folder.File("logger"));
  options.fault = LoggerFault::NoEndMarker;  // no download completes
  LoggerEmulator logger(options);
  logger.Start();
  const std::string archive = folder.File("archivo.sqlite");
  StationStore(archive).Add({"camara1", folder.File("logger"), 2, std::chrono::hours(24)});
  const pid_t pid = StartCli({"station", "run", "camara1", "--archive", archive},
                             {folder.File("out"), folder.File("err")});
  const bool said = station_test::WaitFor([&] {
    const std::optional<StationStatus> status = StatusOf(archive);
    return status && status->problem.find("could not be emptied") != std::string::npos &&
           Bytes(folder.File("err")).find("could not be emptied") != std::string::npos;
  });
  ::kill(pid, SIGTERM);
  EXPECT_EQ(WaitForCli(pid), 0);
  EXPECT_TRUE(said) << Bytes(folder.File("err"));
}

TEST(StationGuard, StatusShowsARunningServiceThatCannotWriteItsStatus) {
  archive_test::TempFolder folder;
  const std::string archive = folder.File("archivo.sqlite");
  StationStore store(archive);
  store.Add({"camara1", folder.File("logger"), 1500, std::chrono::hours(24)});
  StationStatus stale;
  stale.station = "camara1";
  stale.updatedAt = std::chrono::system_clock::now() - 1h;
  stale.pid = 1;
  stale.memoryUsed = 700;
  store.WriteStatus(stale);
  // The service holds its lock but the archive takes no writes (a full disk).
  StationLock lock(archive, "camara1");
  lock.NoteProblem("the status could not be written to the archive: database or disk is full");
  const Ran status = RunCli({"station", "status", "camara1", "--archive", archive}, folder);
  EXPECT_EQ(status.exitCode, 0);
  EXPECT_NE(status.out.find("camara1: running"), std::string::npos) << status.out;
  EXPECT_NE(status.out.find("last status written"), std::string::npos) << status.out;
  EXPECT_NE(status.out.find("PROBLEM: the status could not be written to the archive: database "
                            "or disk is full"),
            std::string::npos)
      << status.out;
}

TEST(StationGuard, PortsThatAreNoSerialPortAndFolderNamesAreRefused) {
  archive_test::TempFolder folder;
  const std::string archive = folder.File("archivo.sqlite");
  archive_test::WriteBytes(folder.File("fichero"), "x");
  const auto add = [&](const std::string& name, const std::string& port) {
    return RunCli(
        {"station", "add", name, "--port", port, "--reason", "prueba", "--archive", archive},
        folder);
  };
  for (const std::string& port :
       std::vector<std::string>{folder.File("fichero"), folder.path().string(), "/dev/null"}) {
    const Ran refused = add("camara1", port);
    EXPECT_EQ(refused.exitCode, 2) << port;
    EXPECT_NE(refused.err.find("is not a serial port"), std::string::npos) << refused.err;
  }
  // Nor does the command line speak of the port component's calls.
  const Ran status = RunCli({"status", "--port", folder.File("fichero")}, folder);
  EXPECT_EQ(status.exitCode, 1);
  EXPECT_NE(status.err.find("fichero"), std::string::npos) << status.err;
  EXPECT_EQ(status.err.find("error code"), std::string::npos) << status.err;
  EXPECT_EQ(status.err.find("function"), std::string::npos) << status.err;
  EXPECT_EQ(add(".", "/dev/serial/by-id/usb-X").exitCode, 2);
  EXPECT_EQ(add("..", "/dev/serial/by-id/usb-X").exitCode, 2);

  // An adapter not plugged in yet is taken with a warning, and the service says plainly that the
  // port cannot be opened.
  const Ran later = add("camara1", folder.File("adaptador"));
  ASSERT_EQ(later.exitCode, 0) << later.err;
  EXPECT_NE(later.err.find("warning"), std::string::npos) << later.err;
  const Ran changed = RunCli({"station", "set", "camara1", "--port", "/dev/null", "--reason",
                              "prueba", "--archive", archive},
                             folder);
  EXPECT_EQ(changed.exitCode, 2);
  const pid_t pid = StartCli({"station", "run", "camara1", "--archive", archive},
                             {folder.File("out"), folder.File("err")});
  const std::string expected =
      "cannot open the port " + folder.File("adaptador") + ": No such file or directory";
  EXPECT_TRUE(station_test::WaitFor([&] {
    return Bytes(folder.File("err")).find(expected) != std::string::npos;
  })) << Bytes(folder.File("err"));
  ::kill(pid, SIGTERM);
  EXPECT_EQ(WaitForCli(pid), 0);
  EXPECT_EQ(Bytes(folder.File("err")).find("error code"), std::string::npos);
}

TEST(StationGuard, SetClockEmptiesTheLoggerOnlyOnceEverySampleIsArchivedOrWhenToldToDiscard) {
  archive_test::TempFolder folder;
  LoggerOptions options;
  options.storedSamples = 10;  // a sample every 5 minutes: none comes during the test
  options.statusPeriodMs = 250;
  options.linkPath = folder.File("logger");
  LoggerEmulator logger(options);
  logger.Start();
  const std::string archive = folder.File("archivo.sqlite");
  const std::vector<std::string> setClock = {"set-clock", "--port", options.linkPath, "--archive",
                                             archive};

  const Ran refused = RunCli(setClock, folder);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("--discard"), std::string::npos) << refused.err;
  EXPECT_EQ(logger.StoredSamples().size(), 10u);

  const Ran download =
      RunCli({"download", "--port", options.linkPath, "--archive", archive}, folder);
  ASSERT_EQ(download.exitCode, 0) << download.err;
  const Ran allowed = RunCli(setClock, folder);
  EXPECT_EQ(allowed.exitCode, 0) << allowed.err;
  EXPECT_TRUE(logger.StoredSamples().empty());
  EXPECT_EQ(logger.SamplesErasedUnseen(), 0);

  LoggerOptions another = options;
  another.linkPath = folder.File("otro");
  LoggerEmulator unarchived(another);
  unarchived.Start();
  const Ran discarded =
      RunCli({"set-clock", "--port", another.linkPath, "--archive", archive, "--discard"}, folder);
  EXPECT_EQ(discarded.exitCode, 0) << discarded.err;
  EXPECT_TRUE(unarchived.StoredSamples().empty());
}

}  // namespace

namespace {

// A memory that holds 90 % of its room is an alarm even when every sample is archived: the logger
// stops recording once it is full, whatever kept it from being emptied.
TEST(StationGuard, AFillingMemoryIsAnAlarmEvenWhenItsSamplesAreArchived) {
  archive_test::TempFolder folder;
  const std::string archive = folder.File("archivo.sqlite");
  StationStore(archive).Add({"camara1", folder.File("logger"), 20, std::chrono::hours(24)});
  {
    StationAlarms alarms("camara1", archive, [](const std::string&) {});
    AlarmReply reply;
    reply.loggerClock = "2026-12-07T14:05:00";
    reply.temperature = 5;
    reply.humidity = 50;
    reply.batteryPercent = 80;
    reply.memoryUsed = 1850;
    reply.memoryArchived = 1850;
    alarms.Replied(reply);
  }  // what it was handed is judged and kept before it goes
  const std::vector<Alarm> open = AlarmStore(archive).List("camara1", true);
  EXPECT_TRUE(std::any_of(open.begin(), open.end(),
                          [](const Alarm& alarm) { return alarm.kind == AlarmKind::kMemory; }));
}

}  // namespace
