// Cost of a station's record over a year of 1-minute samples (525,600 samples in 263 downloads of
// one recording each): reading and assembling it from the archive, exporting it, and its
// statistics. With "--make-archive FILE" it only writes that archive, for timing the command-line
// tool on it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "analysis/ExportFormat.h"
#include "analysis/SampleStatistics.h"
#include "archive/DownloadArchive.h"
#include "record/ArchiveRecord.h"
#include "record/RecordJson.h"
#include "record/RecordSelection.h"

namespace {

constexpr int kYearOfMinutes = 525600;
constexpr int kLoggerMemory = 2000;
const char kStation[] = "norte";

// Four fields of three digits.
std::string Fields(int a, int b, int c, int d) {
  char text[32];
  std::snprintf(text, sizeof text, "%03d%03d%03d%03d", a, b, c, d);
  return text;
}

// A full recording at 1 minute starting `minutes` after 2026-01-01 00:00:00, samples from `first`.
std::string Recording(long minutes, int first, int count) {
  const std::time_t at = 1767225600 + minutes * 60;  // 2026-01-01T00:00:00 as UTC seconds
  std::tm t{};
  gmtime_r(&at, &t);
  std::string text = Fields(t.tm_year - 100, t.tm_mon + 1, t.tm_mday, t.tm_sec) + "\r\n" +
                     Fields(t.tm_min, t.tm_hour, 1, 0) + "\r\n";
  text.reserve(text.size() + static_cast<std::size_t>(count) * 14 + 1);
  for (int i = first; i < first + count; ++i) {
    const int r1 = 1860 + static_cast<int>(400 * std::sin(i / 90.0));
    const int r2 = 735 + static_cast<int>(60 * std::sin(i / 144.0 + 1));
    text += Fields(r1 / 256, r1 % 256, r2 / 256, r2 % 256) + "\r\n";
  }
  return text + "A";
}

void MakeArchive(const std::string& path) {
  std::filesystem::remove(path);
  DownloadArchive archive(path);
  NewDownload download;
  download.station = kStation;
  for (int first = 0; first < kYearOfMinutes; first += kLoggerMemory) {
    download.rawText = Recording(first, first, std::min(kLoggerMemory, kYearOfMinutes - first));
    archive.Add(download);
  }
}

const std::string& ArchivePath() {
  static const std::string path = [] {
    const std::string made =
        (std::filesystem::temp_directory_path() / "velmorante-record-bench.sqlite").string();
    MakeArchive(made);
    return made;
  }();
  return path;
}

record::RecordSelection ReadYear() {
  DownloadArchive archive(ArchivePath(), ArchiveAccess::kReadOnly);
  return record::SelectRecord(std::move(*record::ReadStationRecord(archive, kStation)), {});
}

// What `record NAME --format ...` does once the archive is open: read, assemble, write the text.
void BM_RecordExport(benchmark::State& state, analysis::ExportFormat format) {
  for (auto _ : state) {
    const record::RecordSelection selection = ReadYear();
    const analysis::JsonMembers members = format == analysis::ExportFormat::kJson
                                              ? record::RecordJsonMembers(selection)
                                              : analysis::JsonMembers{};
    std::string text = analysis::ExportText(format, selection.table, members);
    benchmark::DoNotOptimize(text);
    state.counters["samples"] = static_cast<double>(selection.table.samples.size());
  }
}
BENCHMARK_CAPTURE(BM_RecordExport, csv, analysis::ExportFormat::kCsv)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RecordExport, json, analysis::ExportFormat::kJson)
    ->Unit(benchmark::kMillisecond);

// Reading and assembling alone.
void BM_RecordAssemble(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadYear());
}
BENCHMARK(BM_RecordAssemble)->Unit(benchmark::kMillisecond);

// The statistics of the assembled year.
void BM_RecordStatistics(benchmark::State& state) {
  const record::RecordSelection selection = ReadYear();
  analysis::LimitSettings limits;
  limits.temperature.low = 2;
  limits.temperature.high = 8;
  for (auto _ : state)
    benchmark::DoNotOptimize(analysis::ComputeStatistics(selection.table, limits));
}
BENCHMARK(BM_RecordStatistics)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--make-archive") {
    MakeArchive(argv[2]);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  ArchivePath();  // made before any timing
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(ArchivePath());
  std::filesystem::remove(ArchivePath() + "-wal");
  std::filesystem::remove(ArchivePath() + "-shm");
  return 0;
}
