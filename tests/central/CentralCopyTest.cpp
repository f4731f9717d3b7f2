// Copies of one archive file at the central archive: each copy's own rows reach the server, the
// rows they share are kept there once, and a copy that cannot be told apart is refused loudly.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "archive/AuditCheck.h"
#include "central/CentralArchive.h"
#include "central/CentralPush.h"
#include "tests/central/CentralTestArchives.h"
#include "tests/central/PgCluster.h"
#include "tests/sim/CliProcess.h"

namespace {

using archive_test::TempFolder;

ino_t InodeOf(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

TEST(CentralCopies, EachCopysNewRowsReachTheServerAndSharedOnesAreKeptOnce) {
  VELMORANTE_REQUIRE_POSTGRESQL();
  PgCluster cluster;
  const std::string url = central_test::CentralOn(cluster);
  TempFolder folder;
  const std::string original = folder.File("a.sqlite");
  const std::string copy = folder.File("b.sqlite");
  central_test::ArchiveDownloads(original, "norte", 1, 0);
  ASSERT_EQ(PushToCentral(original, url).added.downloads, 1);
  // Two more that the original has not pushed when it is copied (a backup taken then).
  central_test::ArchiveDownloads(original, "norte", 2, 1);
  std::filesystem::copy_file(original, copy);
  central_test::ArchiveDownloads(original, "norte", 1, 2);
  EXPECT_EQ(PushToCentral(original, url).added.downloads, 3);
  central_test::ArchiveDownloads(copy, "norte", 1, 3);

  const PushResult fromCopy = PushToCentral(copy, url);
  EXPECT_EQ(fromCopy.added.downloads, 1);
  PgConnection server(url);
  // One, the two shared, the original's new one and the copy's: none lost, none twice.
  EXPECT_EQ(central_test::Downloads(server), 5);
  EXPECT_EQ(central_test::Count(server, "SELECT count(DISTINCT sha256) FROM downloads"), 5);
  EXPECT_EQ(PushToCentral(original, url).sent.total(), 0);
  EXPECT_EQ(PushToCentral(copy, url).sent.total(), 0);
  // Its new rows carry an identity of the copy's own, its audit chain goes on from the shared
  // entries, and both files' chains verify on the server.
  EXPECT_EQ(central_test::Count(server, "SELECT count(*) FROM sources"), 2);
  auto central = OpenCentralArchive(url);
  EXPECT_EQ(central->CheckRecords(nullptr).size(), 0u);
  // The copy renewed once: a later row of it goes under the same identity.
  central_test::ArchiveDownloads(copy, "norte", 1, 4);
  EXPECT_EQ(PushToCentral(copy, url).added.downloads, 1);
  EXPECT_EQ(central_test::Count(server, "SELECT count(*) FROM sources"), 2);
}

TEST(CentralCopies, ABackupRestoredInPlaceIsRefusedLoudlyOnceThenPushesItsOwnRows) {
  VELMORANTE_REQUIRE_POSTGRESQL();
  PgCluster cluster;
  const std::string url = central_test::CentralOn(cluster);
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  const std::string backup = folder.File("backup.sqlite");
  central_test::ArchiveDownloads(path, "norte", 1, 0);
  ASSERT_EQ(PushToCentral(path, url).added.downloads, 1);
  std::filesystem::copy_file(path, backup);
  central_test::ArchiveDownloads(path, "norte", 1, 1);
  ASSERT_EQ(PushToCentral(path, url).added.downloads, 1);
  // Written over the file itself: the same file to the file system, so only the server can tell.
  const ino_t inode = InodeOf(path);
  std::filesystem::copy_file(backup, path, std::filesystem::copy_options::overwrite_existing);
  ASSERT_EQ(InodeOf(path), inode);
  central_test::ArchiveDownloads(path, "norte", 1, 2);

  const CliOutputFiles files{folder.File("out"), folder.File("err")};
  const std::vector<std::string> sync = {"sync", "--archive", path, "--central", url, "--json"};
  EXPECT_EQ(WaitForCli(StartCli(sync, files)), 1);
  EXPECT_NE(archive_test::Bytes(files.err).find("copy or a restored backup"), std::string::npos)
      << archive_test::Bytes(files.err);
  EXPECT_NE(archive_test::Bytes(files.out).find("\"complete\":false"), std::string::npos);
  PgConnection server(url);
  EXPECT_EQ(central_test::Downloads(server), 2);
  EXPECT_EQ(PendingPushOf(path, url).downloads, 1);  // not marked: the server does not hold it

  EXPECT_EQ(WaitForCli(StartCli(sync, files)), 0) << archive_test::Bytes(files.err);
  EXPECT_EQ(central_test::Downloads(server), 3);
  EXPECT_EQ(PendingPushOf(path, url).total(), 0);
}

}  // namespace
