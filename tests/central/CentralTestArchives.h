// Archive files with known downloads for the central archive's tests, and the server-side counts
// that say whether anything was lost or kept twice.
#pragma once

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "archive/DownloadArchive.h"
#include "central/CentralPush.h"
#include "central/CentralSchema.h"
#include "central/PgConnection.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/central/PgCluster.h"

namespace central_test {

// Archives `count` distinct downloads taken by `station` into the archive file at `path`.
// With `twice`, the first download is archived again as it came, in the same second: a logger
// read twice before it recorded anything new.
inline void ArchiveDownloads(const std::string& path, const std::string& station, int count,
                             int seed = 0, bool twice = false) {
  DownloadArchive archive(path);
  for (int k = twice ? -1 : 0; k < count; ++k) {
    NewDownload download;
    const int n = std::max(k, 0);
    download.rawText = archive_test::DownloadText(3 + n % 5, seed + n);
    download.receivedAt = std::chrono::system_clock::time_point(
        std::chrono::seconds(1'796'000'000 + seed * 100'000 + n * 60));
    download.port = "/dev/pts/9";
    download.program = "velmorante-cli 9.9.9";
    download.station = station;
    download.timeZone = "Europe/Madrid";
    archive.Add(download);
  }
}

// Makes database "central" on `cluster` with the central archive's tables and roles; its owner's
// URL.
inline std::string CentralOn(PgCluster& cluster) {
  cluster.CreateDatabase("central");
  PgConnection owner(cluster.Url("central"));
  InitCentralArchive(owner);
  return cluster.Url("central");
}

// Waits until a statement of the program's waits on a lock the test holds (a condition, polled).
inline void WaitUntilAPushWaitsOnALock(PgConnection& watcher) {
  for (int tries = 0; tries < 6000; ++tries) {
    if (watcher
            .Run("SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'"
                 " AND application_name = 'velmorante'")
            .Integer(0, 0) > 0)
      return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

inline PushOptions InBatchesOf(int rows) {
  PushOptions options;
  options.batchRows = rows;
  return options;
}

inline std::int64_t Count(PgConnection& server, const std::string& sql) {
  return server.Run(sql).Integer(0, 0);
}

// Downloads on the server, and downloads whose identity is there more than once (always 0 when
// the unique constraint holds; asked anyway, as a reader would).
inline std::int64_t Downloads(PgConnection& server) {
  return Count(server,
               "SELECT count(*) FROM downloads d JOIN download_texts t"
               " ON t.download_id = d.id");
}

}  // namespace central_test
