// Cost of a site's mapping over a year: 10 stations of 10-minute samples (52,560 each, in 27
// downloads of one recording each), every station with an alarm rule. Read through the archive
// module and mapped, then the mapping alone on assembled records. With "--make-archive FILE" it
// only writes that archive, for timing the command-line tool on it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "alarms/AlarmStore.h"
#include "analysis/SiteMappingArchive.h"
#include "analysis/StampText.h"
#include "archive/DownloadArchive.h"
#include "archive/StationStore.h"
#include "record/StoreRecord.h"

namespace {

constexpr int kStations = 10;
constexpr int kYearOfSamples = 365 * 24 * 6;
constexpr int kLoggerMemory = 2000;

std::string Fields(int a, int b, int c, int d) {
  char text[32];
  std::snprintf(text, sizeof text, "%03d%03d%03d%03d", a, b, c, d);
  return text;
}

std::string StationName(int station) {
  return "camara" + std::to_string(station);
}

// A recording every 10 minutes (rate code 3) starting `first` samples after 2026-01-01 00:00;
// each station a little warmer and drier than the one before, with a daily swing.
std::string Recording(int station, int first, int count) {
  const std::time_t at = 1767225600 + static_cast<std::time_t>(first) * 600;
  std::tm t{};
  gmtime_r(&at, &t);
  std::string text = Fields(t.tm_year - 100, t.tm_mon + 1, t.tm_mday, t.tm_sec) + "\r\n" +
                     Fields(t.tm_min, t.tm_hour, 3, 0) + "\r\n";
  text.reserve(text.size() + static_cast<std::size_t>(count) * 14 + 1);
  for (int i = first + 1; i <= first + count; ++i) {
    const int r1 = 1860 - 20 * station + static_cast<int>(400 * std::sin(i / 23.0));
    const int r2 = 700 + 5 * station + static_cast<int>(60 * std::sin(i / 22.9 + 1));
    text += Fields(r1 / 256, r1 % 256, r2 / 256, r2 % 256) + "\r\n";
  }
  return text + "A";
}

void MakeArchive(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
  AlarmRule rule;
  rule.temperatureLow = 18;
  rule.temperatureHigh = 25;
  rule.temperatureWarnHigh = 24;
  rule.humidityHigh = 65;
  rule.delayMinutes = 30;
  rule.hysteresis = 0.5;
  for (int s = 0; s < kStations; ++s) {
    StationSettings settings;
    settings.name = StationName(s);
    settings.port = "/dev/ttyUSB" + std::to_string(s);
    StationStore(path).Add(settings);
    AlarmStore(path).SetRule(settings.name, rule, CurrentActor("bench", "1"), "mapping bench");
  }
  DownloadArchive archive(path);
  NewDownload download;
  for (int s = 0; s < kStations; ++s) {
    download.station = StationName(s);
    for (int first = 0; first < kYearOfSamples; first += kLoggerMemory) {
      download.rawText = Recording(s, first, std::min(kLoggerMemory, kYearOfSamples - first));
      archive.Add(download);
    }
  }
}

const std::string& ArchivePath() {
  static const std::string path = [] {
    const std::string made =
        (std::filesystem::temp_directory_path() / "velmorante-mapping-bench.sqlite").string();
    MakeArchive(made);
    return made;
  }();
  return path;
}

const analysis::MappingPeriod kYear{analysis::WallClockSeconds({2026, 1, 1, 0, 0, 0}),
                                    analysis::WallClockSeconds({2027, 1, 1, 0, 0, 0})};

// What `mapping --from 2026-01-01 --to 2027-01-01` does: open, list the stations, read and map.
void BM_SiteMappingYear(benchmark::State& state) {
  ArchiveModule& module = DiskArchiveModule();
  for (auto _ : state) {
    const std::unique_ptr<ArchiveStore> store = module.OpenForReading(ArchivePath());
    const std::vector<std::string> stations = analysis::SiteStations(module, *store, ArchivePath());
    const std::vector<analysis::StationMapping> rows =
        analysis::ReadSiteMapping(module, *store, ArchivePath(), stations, kYear);
    benchmark::DoNotOptimize(rows);
    state.counters["samples"] = static_cast<double>(rows.size() * rows[0].temperature.samples);
  }
}
BENCHMARK(BM_SiteMappingYear)->Unit(benchmark::kMillisecond);

// The figures alone, on the ten records read once.
void BM_MapAssembledRecords(benchmark::State& state) {
  ArchiveModule& module = DiskArchiveModule();
  const std::unique_ptr<ArchiveStore> store = module.OpenForReading(ArchivePath());
  std::vector<record::StationRecord> records;
  for (int s = 0; s < kStations; ++s)
    records.push_back(*record::ReadStationRecord(*store, StationName(s)));
  const std::optional<AlarmRule> rule = module.ReadAlarmRule(ArchivePath(), StationName(0));
  for (auto _ : state) {
    std::vector<analysis::StationMapping> rows;
    for (int s = 0; s < kStations; ++s)
      rows.push_back(analysis::MapStation(StationName(s), records[s], rule, kYear));
    analysis::MarkExtremes(rows);
    benchmark::DoNotOptimize(rows);
  }
}
BENCHMARK(BM_MapAssembledRecords)->Unit(benchmark::kMillisecond);

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
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(ArchivePath() + suffix);
  return 0;
}
