// The station service as its program, killed without warning at different points of its work and
// started again: the logger never loses a sample that was not downloaded, the archive stays whole,
// and SIGTERM ends the service cleanly.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "archive/DownloadArchive.h"
#include "archive/StationStore.h"
#include "notify/NotifyStore.h"
#include "sim/LoggerEmulator.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/notify/NotifyTestArchive.h"
#include "tests/sim/CliProcess.h"
#include "tests/station/FillingLogger.h"

namespace {

using namespace std::chrono_literals;

TEST(StationProcess, KilledAtAnyPointAndStartedAgainLosesNothing) {
  archive_test::TempFolder folder;
  const LoggerOptions options = station_test::FillingLogger(folder.File("logger"));
  LoggerEmulator logger(options);
  logger.Start();
  const std::string archive = folder.File("archivo.sqlite");
  StationStore(archive).Add({"camara1", options.linkPath, 4, std::chrono::hours(24)});
  const CliOutputFiles files{folder.File("out"), folder.File("err")};
  const std::vector<std::string> run = {"station", "run", "camara1", "--archive", archive};

  // Each run is killed a little further into its work: while it connects, downloads, archives or
  // resets.
  for (int kill = 1; kill <= 6; ++kill) {
    const std::size_t before = station_test::Events(archive).size();
    const pid_t pid = StartCli(run, files);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(station_test::WaitFor(
        [&] { return station_test::Events(archive).size() >= before + kill; }));
    ::kill(pid, SIGKILL);
    EXPECT_EQ(WaitForCli(pid), -1);
  }
  const int resets = station_test::Count(archive, StationEventKind::kReset);
  const pid_t pid = StartCli(run, files);
  ASSERT_TRUE(station_test::WaitFor(
      [&] { return station_test::Count(archive, StationEventKind::kReset) > resets; }));
  ::kill(pid, SIGTERM);
  EXPECT_EQ(WaitForCli(pid), 0);
  EXPECT_EQ(station_test::Events(archive).front().kind, StationEventKind::kStopped);

  EXPECT_EQ(logger.SamplesErasedUnseen(), 0);
  EXPECT_TRUE(DownloadArchive(archive, ArchiveAccess::kReadOnly).Verify().empty());
}

TEST(StationProcess, SigtermEndsTheServiceAtOnceDuringAHungNotification) {
  archive_test::TempFolder folder;
  NotifyTestArchive archive(folder.path());
  StationStore(archive.path())
      .Add({"camara1", folder.File("no-logger"), 4, std::chrono::hours(24)});
  StationNotify notify;
  notify.station = "camara1";
  notify.command = "touch '" + folder.File("started") + "'; sleep 120";
  NotifyStore(archive.path(), ArchiveAccess::kReadWrite).Write(notify);
  const CliOutputFiles files{folder.File("out"), folder.File("err")};
  const pid_t pid = StartCli({"station", "run", "camara1", "--archive", archive.path()}, files);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(station_test::WaitFor(
      [&] { return ReadAll(files.err).find("notifications: by command") != std::string::npos; }));
  archive.AddEvent("camara1", AlarmEventKind::kRaised, 9.0);
  ASSERT_TRUE(
      station_test::WaitFor([&] { return std::filesystem::exists(folder.File("started")); }));

  const auto before = std::chrono::steady_clock::now();
  ::kill(pid, SIGTERM);
  EXPECT_EQ(WaitForCli(pid), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
  // Abandoned, not failed: tried again at the next start.
  EXPECT_EQ(archive.Single("SELECT attempts FROM deliveries"), "0");
}

}  // namespace
