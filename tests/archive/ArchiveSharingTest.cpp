// A long-lived process that holds the archive (a window, a station) while short-lived programs
// write to the same file and leave: the long-lived one must keep writing where everyone reads.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/DownloadArchive.h"
#include "data/WholeFileWriter.h"
#include "sim/LoggerEmulator.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/sim/CliProcess.h"

namespace {

using namespace archive_test;

NewDownload Download(int seed) {
  NewDownload download;
  download.rawText = DownloadText(5, seed);
  download.receivedAt = std::chrono::system_clock::now();
  download.port = "/dev/ttyUSB0";
  download.program = "velmorante 3.2.0";
  return download;
}

// This process's descriptors of files that have been deleted under it, by their old names.
std::vector<std::string> DeletedFilesHeld() {
  std::vector<std::string> deleted;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (!error && target.find(" (deleted)") != std::string::npos) deleted.push_back(target);
  }
  return deleted;
}

TEST(ArchiveSharing, ConnectionsKeepTheirLogWhenTheFileIsCheckedAndAnotherProgramWritesAndLeaves) {
  TempFolder folder;
  const std::string archive = folder.File("descargas.sqlite");
  DownloadArchive held(archive);
  held.Add(Download(1));
  // What a running process does beside its open connection: open the archive again (another
  // thread's store) and ask whether a chosen output file is a database.
  { DownloadArchive another(archive); }
  EXPECT_TRUE(IsDatabaseFile(archive));
  EXPECT_TRUE(IsDatabaseFile(archive + "-shm"));

  // Another program archives a download and closes the archive: it must not take itself for the
  // last user and remove the log this process writes to.
  LoggerOptions options;
  options.storedSamples = 4;
  options.baud = 0;
  options.statusPeriodMs = 150;
  options.endMarkerPauseMs = 40;
  options.recordLive = false;
  LoggerEmulator logger(options);
  logger.Start();
  const CliOutputFiles files{folder.File("stdout"), folder.File("stderr")};
  ASSERT_EQ(
      WaitForCli(StartCli({"download", "--port", logger.PortPath(), "--archive", archive}, files)),
      0)
      << Bytes(files.err);
  EXPECT_EQ(DeletedFilesHeld(), std::vector<std::string>{});

  // And what this process writes afterwards is what the next program reads.
  held.Add(Download(2));
  ASSERT_EQ(WaitForCli(StartCli({"history", "--json", "--archive", archive}, files)), 0);
  EXPECT_NE(Bytes(files.out).find("{\"id\":3,"), std::string::npos) << Bytes(files.out);
}

}  // namespace
