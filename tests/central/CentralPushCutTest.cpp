// Pushes that meet trouble on a real server: three stations pushing at once, the server stopped
// in the middle of a push, the connection cut in the middle of a transaction. Each time the push
// is repeated, and the server must end with every download, alarm and audit entry exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "archive/AuditCheck.h"
#include "central/CentralArchive.h"
#include "central/CentralPush.h"
#include "central/CentralSchema.h"
#include "tests/central/CentralTestArchives.h"
#include "tests/central/PgCluster.h"

namespace {

using archive_test::TempFolder;

class CentralPushCut : public ::testing::Test {
 protected:
  void SetUp() override {
    VELMORANTE_REQUIRE_POSTGRESQL();
    cluster_ = std::make_unique<PgCluster>();
    url_ = central_test::CentralOn(*cluster_);
  }

  // Everything of the archive at `path` is on the server once: its downloads by identity, its
  // audit entries in one chain that holds.
  void ExpectWhole(const std::string& path, std::int64_t downloads) {
    PgConnection server(url_);
    EXPECT_EQ(central_test::Downloads(server), downloads);
    EXPECT_EQ(central_test::Count(server,
                                  "SELECT count(*) FROM (SELECT DISTINCT station, sha256,"
                                  " received_at FROM downloads) d"),
              downloads);
    auto central = OpenCentralArchive(url_);
    ArchiveCheckCounts counts;
    EXPECT_TRUE(central->CheckRecords(&counts).empty());
    EXPECT_EQ(PendingPushOf(path, url_).total(), 0);
  }

  // Runs a push of `path` in batches of 5; after its first batch is committed, `holdNext` makes
  // the next one wait on a lock, and `whileHeld` runs once the push's insert waits on it.
  void PushCutBy(const std::string& path, const std::function<void(PgConnection&)>& whileHeld) {
    PgConnection holder(url_);
    std::atomic<bool> failed{false};
    std::thread push([&] {
      PushOptions options;
      options.batchRows = 5;
      bool held = false;
      options.progress = [&](PushKind, std::int64_t) {
        if (held) return;
        held = true;
        holder.Execute("BEGIN; LOCK TABLE download_texts IN ACCESS EXCLUSIVE MODE");
      };
      try {
        PushToCentral(path, url_, options);
      } catch (const ArchiveError&) {
        failed = true;
      }
    });
    PgConnection watcher(url_);
    central_test::WaitUntilAPushWaitsOnALock(watcher);
    whileHeld(watcher);
    push.join();
    try {
      holder.Execute("ROLLBACK");
    } catch (const ArchiveError&) {
      // Its connection went with the server.
    }
    EXPECT_TRUE(failed) << "the cut push reported success";
  }

  std::unique_ptr<PgCluster> cluster_;
  std::string url_;
};

TEST_F(CentralPushCut, ThreeStationsPushingAtOnceEachKeepTheirsOnce) {
  TempFolder folder;
  const std::vector<std::string> stations = {"norte", "sur", "este"};
  for (std::size_t k = 0; k < stations.size(); ++k)
    central_test::ArchiveDownloads(folder.File(stations[k].c_str()), stations[k], 40,
                                   static_cast<int>(k));
  std::vector<std::thread> pushes;
  std::atomic<int> failures{0};
  // Each station pushes twice at once with itself too, as a station and a sync run would.
  for (int round = 0; round < 2; ++round) {
    for (const std::string& station : stations) {
      pushes.emplace_back([&, station] {
        try {
          PushToCentral(folder.File(station.c_str()), url_, central_test::InBatchesOf(7));
        } catch (const ArchiveError& error) {
          ADD_FAILURE() << station << ": " << error.what();
          ++failures;
        }
      });
    }
  }
  for (std::thread& push : pushes) push.join();
  EXPECT_EQ(failures, 0);
  for (const std::string& station : stations) ExpectWhole(folder.File(station.c_str()), 120);
  PgConnection server(url_);
  EXPECT_EQ(central_test::Count(server, "SELECT count(DISTINCT source) FROM audit_entries"), 3);
}

TEST_F(CentralPushCut, ServerStoppedInTheMiddleOfAPushLosesNothingWhenPushedAgain) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  central_test::ArchiveDownloads(path, "norte", 23);
  PushCutBy(path, [&](PgConnection&) { cluster_->Stop(); });
  cluster_->Start();
  EXPECT_GT(PendingPushOf(path, url_).downloads, 0);
  const PushResult again = PushToCentral(path, url_);
  EXPECT_EQ(again.added.downloads, again.sent.downloads) << "a batch cut off was kept";
  ExpectWhole(path, 23);
}

TEST_F(CentralPushCut, ConnectionDroppedMidTransactionLosesNothingWhenPushedAgain) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  central_test::ArchiveDownloads(path, "norte", 23);
  PushCutBy(path, [&](PgConnection& watcher) {
    watcher.Execute(
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE wait_event_type = 'Lock'"
        " AND application_name = 'velmorante'");
  });
  PushToCentral(path, url_);
  ExpectWhole(path, 23);
}

TEST_F(CentralPushCut, AStopEndsAPushWaitingOnAServerThatDoesNotAnswer) {
  TempFolder folder;
  const std::string path = folder.File("a.sqlite");
  central_test::ArchiveDownloads(path, "norte", 3);
  // The server holds the push's first insert without answering, as a hung server would.
  PgConnection holder(url_);
  holder.Execute("BEGIN; LOCK TABLE download_texts IN ACCESS EXCLUSIVE MODE");
  std::atomic<bool> stop{false};
  std::atomic<bool> failed{false};
  std::thread push([&] {
    PushOptions options;
    options.stopRequested = [&] { return stop.load(); };
    try {
      PushToCentral(path, url_, options);
    } catch (const ArchiveError&) {
      failed = true;
    }
  });
  PgConnection watcher(url_);
  central_test::WaitUntilAPushWaitsOnALock(watcher);
  stop = true;
  push.join();  // returns: the wait is given up, not sat out
  EXPECT_TRUE(failed);
  holder.Execute("ROLLBACK");
  PushToCentral(path, url_);
  ExpectWhole(path, 3);
}

}  // namespace
