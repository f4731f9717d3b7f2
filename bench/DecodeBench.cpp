// Cost of turning a download into the data table, and of collecting a download from the line.
// Both must grow linearly with the number of samples.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "data/SampleDecoder.h"
#include "data/SavedFileFormat.h"
#include "link/ReplyInterpreter.h"

namespace {

// A download text of `samples` lines with humidity and temperature curves, as the logger sends it
// and the interpreter keeps it (CR LF lines and the end marker).
std::string MakeDownload(int samples) {
  std::string text = "012003015030\r\n045014002000\r\n";
  text.reserve(text.size() + static_cast<std::size_t>(samples) * 14 + 1);
  char line[32];
  for (int i = 0; i < samples; ++i) {
    const int r1 = 1860 + static_cast<int>(400 * std::sin(i / 90.0));
    const int r2 = 735 + static_cast<int>(60 * std::sin(i / 144.0 + 1));
    std::snprintf(line, sizeof line, "%03d%03d%03d%03d\r\n", r1 / 256, r1 % 256, r2 / 256,
                  r2 % 256);
    text += line;
  }
  return text + "A";
}

void SetPerSample(benchmark::State& state, int samples) {
  state.SetItemsProcessed(state.iterations() * samples);
  // Seconds per sample, printed with an SI prefix ("159n" is 159 ns).
  state.counters["per_sample"] = benchmark::Counter(
      samples, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetComplexityN(samples);
}

void BM_Decode(benchmark::State& state) {
  const int samples = static_cast<int>(state.range(0));
  const std::string text = MakeDownload(samples);
  SampleDecoder decoder;
  for (auto _ : state) {
    SampleTable table = decoder.Decode(text);
    benchmark::DoNotOptimize(table.rows.data());
  }
  SetPerSample(state, samples);
}
BENCHMARK(BM_Decode)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(200000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_SavedFileText(benchmark::State& state) {
  const int samples = static_cast<int>(state.range(0));
  SampleDecoder decoder;
  const SampleTable table = decoder.Decode(MakeDownload(samples));
  for (auto _ : state) {
    std::string saved = SavedFileText(table);
    benchmark::DoNotOptimize(saved.data());
  }
  SetPerSample(state, samples);
}
BENCHMARK(BM_SavedFileText)->Arg(2000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The batches in which a download reaches the interpreter: 8 to 64 characters each.
std::vector<std::string> MakeBatches(const std::string& text) {
  std::vector<std::string> batches;
  std::mt19937 random(7);
  std::uniform_int_distribution<std::size_t> length(8, 64);
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t n = std::min(length(random), text.size() - at);
    batches.push_back(text.substr(at, n));
    at += n;
  }
  return batches;
}

void BM_InterpreterDownload(benchmark::State& state) {
  const int samples = static_cast<int>(state.range(0));
  std::string text = MakeDownload(samples);
  text.pop_back();  // the end marker arrives as a batch of its own
  const std::vector<std::string> batches = MakeBatches(text);
  for (auto _ : state) {
    ReplyInterpreter in;
    in.StartDownload();
    for (const std::string& batch : batches) benchmark::DoNotOptimize(in.OnReceived(batch));
    benchmark::DoNotOptimize(in.OnReceived("A"));
    if (!in.downloadDone) state.SkipWithError("download did not end");
  }
  SetPerSample(state, samples);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  state.counters["batches"] = static_cast<double>(batches.size());
}
BENCHMARK(BM_InterpreterDownload)
    ->Arg(2000)
    ->Arg(200000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
