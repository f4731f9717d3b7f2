// The whole download path through a pseudo-terminal: the logger emulator sends 2000 samples, the
// serial port component notices them, the reply interpreter collects them and the decoder turns
// them into the table. Unpaced it measures the program's own cost; paced at 9600 baud it compares
// the program's download time with the time the characters take on the line.
#include <benchmark/benchmark.h>

#include <chrono>

#include "cli/CliSession.h"
#include "data/SampleDecoder.h"
#include "sim/LoggerEmulator.h"

namespace {

using namespace std::chrono_literals;

constexpr int kSamples = 2000;

LoggerOptions Options(int baud) {
  LoggerOptions options;
  options.storedSamples = kSamples;
  options.baud = baud;
  options.statusPeriodMs = 200;
  options.endMarkerPauseMs = 50;
  options.recordLive = false;
  return options;
}

void BM_PtyDownloadUnpaced(benchmark::State& state) {
  LoggerEmulator logger(Options(0));
  logger.Start();
  CliSession session(logger.PortPath());
  std::size_t bytes = 0;
  double programSeconds = 0;
  for (auto _ : state) {
    const std::string text = session.Download(true, 5s, 5s, nullptr);
    const SampleTable table = SampleDecoder().Decode(text);
    if (table.error || table.rows.size() != kSamples + 1) state.SkipWithError("bad download");
    bytes = text.size();
    // The end-marker pause belongs to the logger, not to the program.
    programSeconds += std::chrono::duration<double>(session.LastDownloadTime()).count() - 0.050;
    state.SetIterationTime(std::chrono::duration<double>(session.LastDownloadTime()).count());
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.counters["download_ms_without_pause"] = 1000 * programSeconds / state.iterations();
}
BENCHMARK(BM_PtyDownloadUnpaced)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PtyDownloadAt9600Baud(benchmark::State& state) {
  const int baud = 9600;
  LoggerEmulator logger(Options(baud));
  logger.Start();
  CliSession session(logger.PortPath());
  for (auto _ : state) {
    const std::string text = session.Download(true, 5s, 5s, nullptr);
    const double program = std::chrono::duration<double>(session.LastDownloadTime()).count();
    // Ten bits per character (start, 8 data, stop), plus the logger's pause before the marker.
    const double line = text.size() * 10.0 / baud + 0.050;
    state.SetIterationTime(program);
    state.counters["line_s"] = line;
    state.counters["program_s"] = program;
    state.counters["ratio"] = program / line;
  }
}
BENCHMARK(BM_PtyDownloadAt9600Baud)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
