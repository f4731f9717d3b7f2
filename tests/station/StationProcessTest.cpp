// The station service as its program, killed without warning at different points of its work and
// started again: the logger never loses a sample that was not downloaded, the archive stays whole,
// and SIGTERM ends the service cleanly.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "archive/DownloadArchive.h"
#include "archive/StationStore.h"
#include "sim/LoggerEmulator.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/sim/CliProcess.h"

namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds patience = 120s) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

std::vector<StationEvent> Events(const std::string& archive) {
  return StationStore(archive, ArchiveAccess::kReadOnly).Events("camara1", 100000);
}

int Count(const std::string& archive, StationEventKind kind) {
  int count = 0;
  for (const StationEvent& event : Events(archive)) count += event.kind == kind;
  return count;
}

TEST(StationProcess, KilledAtAnyPointAndStartedAgainLosesNothing) {
  archive_test::TempFolder folder;
  LoggerOptions options;
  options.storedSamples = 3;
  options.rateCode = 2;  // every 5 minutes
  options.speed = 300;   // a sample a second
  options.statusPeriodMs = 250;
  options.linkPath = folder.File("logger");
  LoggerEmulator logger(options);
  logger.Start();
  const std::string archive = folder.File("archivo.sqlite");
  StationStore(archive).Add({"camara1", options.linkPath, 6, std::chrono::hours(24)});
  const CliOutputFiles files{folder.File("out"), folder.File("err")};
  const std::vector<std::string> run = {"station", "run", "camara1", "--archive", archive};

  // Each run is killed a little further into its work: while it connects, downloads, archives or
  // resets.
  for (int kill = 1; kill <= 6; ++kill) {
    const std::size_t before = Events(archive).size();
    const pid_t pid = StartCli(run, files);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitFor([&] { return Events(archive).size() >= before + kill; }));
    ::kill(pid, SIGKILL);
    EXPECT_EQ(WaitForCli(pid), -1);
  }
  const int resets = Count(archive, StationEventKind::kReset);
  const pid_t pid = StartCli(run, files);
  ASSERT_TRUE(WaitFor([&] { return Count(archive, StationEventKind::kReset) > resets; }));
  ::kill(pid, SIGTERM);
  EXPECT_EQ(WaitForCli(pid), 0);
  EXPECT_EQ(Events(archive).front().kind, StationEventKind::kStopped);

  EXPECT_EQ(logger.SamplesErasedUnseen(), 0);
  EXPECT_TRUE(DownloadArchive(archive, ArchiveAccess::kReadOnly).Verify().empty());
}

}  // namespace
