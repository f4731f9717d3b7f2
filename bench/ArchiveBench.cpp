// The download archive at the size of years of use: 10,000 archived full downloads (28 KB each).
// Listing the history into its window's table, opening one record into the data window, archiving
// one more download synced to disk, and the archive's size against the raw texts it holds.
// The archive is built once per run in a temporary folder on disk.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <QApplication>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

#include "app/DownloadHistoryModel.h"
#include "archive/DownloadArchive.h"
#include "data_ui/Unit5.h"
#include "tests/archive/ArchiveTestFiles.h"

namespace {

constexpr int kRecords = 10000;
constexpr int kSamples = 2000;  // a full logger memory: 28,029 characters

struct Fixture {
  QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/velmorante-archive-bench-XXXXXX")};
  std::string path = dir.filePath(QStringLiteral("descargas.sqlite")).toStdString();
  std::unique_ptr<DownloadArchive> archive;
  double rawBytes = 0;
  double fileBytes = 0;

  Fixture() {
    NewDownload download;
    download.rawText = archive_test::DownloadText(kSamples);
    download.port = "/dev/ttyUSB0";
    download.program = "velmorante bench";
    { DownloadArchive(path).Add(download); }
    // The other records are copies made inside SQLite in one transaction: the same pages on disk
    // as records added one by one, without 10,000 syncs to wait for.
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "BEGIN;"
                 "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < 10000)"
                 " INSERT INTO downloads SELECT n.i, received_at, port, program, kind, reason,"
                 " sha256, size, samples, decode_error, start, rate_minutes"
                 " FROM downloads, n WHERE downloads.id = 1;"
                 "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < 10000)"
                 " INSERT INTO download_texts SELECT n.i, raw FROM download_texts, n"
                 " WHERE download_id = 1;"
                 "COMMIT; PRAGMA wal_checkpoint(TRUNCATE);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    struct stat info {};
    ::stat(path.c_str(), &info);
    fileBytes = static_cast<double>(info.st_size);
    rawBytes = static_cast<double>(download.rawText.size()) * kRecords;
    archive = std::make_unique<DownloadArchive>(path);
  }
};

Fixture& Archive() {
  static Fixture fixture;
  return fixture;
}

void BM_ListHistory(benchmark::State& state) {
  Fixture& f = Archive();
  DownloadHistoryModel model;
  for (auto _ : state) {
    model.SetRecords(f.archive->List());
    benchmark::DoNotOptimize(model.rowCount());
  }
  state.counters["records"] = model.rowCount();
  state.counters["size_ratio"] = f.fileBytes / f.rawBytes;
  state.counters["file_MB"] = f.fileBytes / 1e6;
}
BENCHMARK(BM_ListHistory)->Unit(benchmark::kMillisecond);

// Read one record, decode it with a decoder of its own and show it in the data window.
void BM_OpenRecordIntoDataWindow(benchmark::State& state) {
  Fixture& f = Archive();
  TForm5 form;
  form.ShowTableOnce(SampleDecoder().Decode(f.archive->Get(1).rawText));
  form.show();
  QApplication::processEvents();
  std::int64_t id = 1;
  for (auto _ : state) {
    const ArchivedDownload record = f.archive->Get(id);
    form.ShowTableOnce(SampleDecoder().Decode(record.rawText));
    form.FormActivate();
    QApplication::processEvents();
    benchmark::DoNotOptimize(form.RowCount());
    id = id * 7919 % kRecords + 1;
  }
  form.hide();
}
BENCHMARK(BM_OpenRecordIntoDataWindow)->Unit(benchmark::kMillisecond);

// One more full download, committed and synced.
void BM_ArchiveOneSynced(benchmark::State& state) {
  Fixture& f = Archive();
  NewDownload download;
  download.rawText = archive_test::DownloadText(kSamples, 1);
  download.receivedAt = std::chrono::system_clock::now();
  for (auto _ : state) benchmark::DoNotOptimize(f.archive->Add(download));
}
BENCHMARK(BM_ArchiveOneSynced)->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace
