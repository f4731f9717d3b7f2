// Figures of the central archive on a real PostgreSQL server (run by hand or by CI's central
// stage; it is not a test): pushing 10,000 downloads, pushing again with nothing new, and listing
// 100,000 downloads from the server.
// Usage: velmorante_central_bench URL [DOWNLOADS] [SAMPLES]   (URL: a superuser's, database
// postgres; a database velmorante_bench is made afresh there)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sqlite3.h>

#include <algorithm>

#include "archive/DownloadArchive.h"
#include "archive/Sqlite.h"
#include "central/CentralArchive.h"
#include "central/CentralPush.h"
#include "central/CentralSchema.h"
#include "central/PgConnection.h"

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string DownloadText(int samples, int seed) {
  std::string text = "012003015030\r\n045014002000\r\n";
  for (int k = 0; k < samples; ++k) {
    char line[32];
    std::snprintf(line, sizeof line, "%03d%03d%03d%03d\r\n", 7, (68 + k + seed) % 256, 2,
                  (223 + 3 * k + seed) % 256);
    text += line;
  }
  return text + "A";
}

std::string WithDatabase(const std::string& url, const std::string& database) {
  const std::size_t slash = url.rfind('/');
  return url.substr(0, slash + 1) + database;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s URL [DOWNLOADS] [SAMPLES]\n", argv[0]);
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const std::string adminUrl = argv[1];
  const int downloads = argc > 2 ? std::atoi(argv[2]) : 10000;
  const int samples = argc > 3 ? std::atoi(argv[3]) : 1000;
  {
    PgConnection admin(adminUrl);
    admin.Execute("DROP DATABASE IF EXISTS velmorante_bench");
    admin.Execute("CREATE DATABASE velmorante_bench");
  }
  const std::string url = WithDatabase(adminUrl, "velmorante_bench");
  {
    PgConnection owner(url);
    InitCentralArchive(owner);
  }
  char folder[] = "/tmp/velmorante-central-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  const std::string path = std::string(folder) + "/archivo.sqlite";
  auto start = std::chrono::steady_clock::now();
  std::size_t bytes = 0;
  // A hundred downloads archived as a station archives them (each synced to disk, with its audit
  // entry), then copied in one transaction under later times up to the count asked: making the
  // archive is not what is measured.
  const int archived = std::min(downloads, 100);
  {
    DownloadArchive archive(path);
    for (int k = 0; k < archived; ++k) {
      NewDownload download;
      download.rawText = DownloadText(samples, k);
      bytes += download.rawText.size();
      download.receivedAt = std::chrono::system_clock::time_point(
          std::chrono::seconds(1'796'000'000 + static_cast<std::int64_t>(k) * 600));
      download.port = "/dev/pts/9";
      download.program = "velmorante-cli bench";
      download.station = k % 2 == 0 ? "norte" : "sur";
      download.timeZone = "Europe/Madrid";
      archive.Add(download);
    }
  }
  if (downloads > archived) {
    SqliteConnection file;
    file.Open(path, SQLITE_OPEN_READWRITE);
    SqliteWriteTransaction transaction(file);
    const std::size_t each = bytes / static_cast<std::size_t>(archived);
    for (int k = archived; k < downloads; ++k) {
      const std::string copy =
          "INSERT INTO downloads (received_at, port, program, kind, reason, sha256, size, start,"
          " rate_minutes, samples, decode_error, station, logger_clock, clock_drift_s, time_zone)"
          " SELECT strftime('%Y-%m-%dT%H:%M:%SZ', 1796000000 + " +
          std::to_string(static_cast<std::int64_t>(k) * 600) +
          ", 'unixepoch'), port, program, kind, reason, sha256, size, start, rate_minutes,"
          " samples, decode_error, station, logger_clock, clock_drift_s, time_zone FROM downloads"
          " WHERE id = " +
          std::to_string(k % archived + 1) +
          "; INSERT INTO download_texts (download_id, raw) SELECT last_insert_rowid(), raw FROM"
          " download_texts WHERE download_id = " +
          std::to_string(k % archived + 1);
      file.Execute(copy.c_str());
      bytes += each;
    }
    transaction.Commit();
  }
  std::printf("archive made: %d downloads of %d samples (%.1f MB of raw text) in %.1f s\n",
              downloads, samples, static_cast<double>(bytes) / 1e6, SecondsSince(start));

  start = std::chrono::steady_clock::now();
  const PushResult first = PushToCentral(path, url);
  std::printf("push of %lld downloads and %lld audit entries: %.2f s (limit 10 s)\n",
              static_cast<long long>(first.sent.downloads),
              static_cast<long long>(first.sent.auditEntries), SecondsSince(start));
  start = std::chrono::steady_clock::now();
  const PushResult again = PushToCentral(path, url);
  std::printf("push with nothing new (%lld rows sent): %.3f s (limit 1 s)\n",
              static_cast<long long>(again.sent.total()), SecondsSince(start));

  {
    // 100,000 downloads on the server: the pushed ones copied under other identities.
    PgConnection owner(url);
    owner.Execute(
        "INSERT INTO downloads (station, sha256, received_at, source, port, program, kind, reason,"
        " size, start, rate_minutes, samples, decode_error, time_zone, local_id)"
        " SELECT d.station, md5(d.sha256 || n) || md5(n || d.sha256), d.received_at, d.source,"
        " d.port, d.program, d.kind, d.reason, d.size, d.start, d.rate_minutes, d.samples,"
        " d.decode_error, d.time_zone, d.local_id + n * 1000000 FROM downloads d,"
        " generate_series(1, (100000 - (SELECT count(*) FROM downloads)) / (SELECT count(*)"
        " FROM downloads)) n");
    owner.Execute("ANALYZE downloads");
  }
  auto central = OpenCentralArchive(url);
  double best = 1e9;
  std::size_t listed = 0;
  for (int run = 0; run < 5; ++run) {
    start = std::chrono::steady_clock::now();
    listed = central->List().size();
    best = std::min(best, SecondsSince(start));
  }
  std::printf("history of %zu downloads from the server: %.0f ms (best of 5; limit 200 ms)\n",
              listed, best * 1000);
  std::filesystem::remove_all(folder);
  return 0;
}
