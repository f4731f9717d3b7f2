// Cost of the statistics and the CSV export of a download (2,000 samples, a full logger memory,
// and up to 1,000,000 to show the growth is linear), and of the one-page PDF report.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/CsvExport.h"
#include "analysis/SampleStatistics.h"
#include "data/SampleDecoder.h"

#ifdef VELMORANTE_BENCH_REPORT
#include "charts/ReportPage.h"
#endif

namespace {

// A decoded download of `samples` samples every minute with humidity and temperature curves.
SampleTable MakeTable(int samples) {
  std::string text = "012003015030\r\n045014001000\r\n";
  text.reserve(text.size() + static_cast<std::size_t>(samples) * 14 + 1);
  char line[32];
  for (int i = 0; i < samples; ++i) {
    const int r1 = 1860 + static_cast<int>(400 * std::sin(i / 90.0));
    const int r2 = 735 + static_cast<int>(60 * std::sin(i / 144.0 + 1));
    std::snprintf(line, sizeof line, "%03d%03d%03d%03d\r\n", r1 / 256, r1 % 256, r2 / 256,
                  r2 % 256);
    text += line;
  }
  return SampleDecoder().Decode(text + "A");
}

void PerSample(benchmark::State& state, int samples) {
  state.SetItemsProcessed(state.iterations() * samples);
  state.counters["per_sample"] = benchmark::Counter(
      samples, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetComplexityN(samples);
}

void BM_Statistics(benchmark::State& state) {
  const SampleTable table = MakeTable(static_cast<int>(state.range(0)));
  analysis::LimitSettings limits;
  limits.temperature = {20.0, 25.0};
  limits.humidity = {40.0, 60.0};
  for (auto _ : state) benchmark::DoNotOptimize(analysis::ComputeStatistics(table, limits));
  PerSample(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_Statistics)
    ->Arg(2000)
    ->RangeMultiplier(10)
    ->Range(10000, 1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_CsvExport(benchmark::State& state) {
  const SampleTable table = MakeTable(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(analysis::CsvText(table));
  PerSample(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_CsvExport)
    ->Arg(2000)
    ->RangeMultiplier(10)
    ->Range(10000, 1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

#ifdef VELMORANTE_BENCH_REPORT
void BM_ReportPdf(benchmark::State& state) {
  const SampleTable table = MakeTable(static_cast<int>(state.range(0)));
  ReportContent content;
  content.table = &table;
  content.limits.temperature = {20.0, 25.0};
  content.generatedAt = QStringLiteral("08/12/2026 00:00");
  for (auto _ : state) benchmark::DoNotOptimize(ReportPdf(content));
  PerSample(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_ReportPdf)->Arg(2000)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

#ifndef VELMORANTE_BENCH_REPORT
BENCHMARK_MAIN();
#endif
