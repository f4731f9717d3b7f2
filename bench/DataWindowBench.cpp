// How long the data window takes to fill its table from a download: a whole new showing (decode,
// table, first paint) and the rebuild alone, for a full logger memory and for a very long download.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "data_ui/TableFileWriter.h"
#include "data_ui/Unit5.h"
#include "tests/data/DataWindowDownloads.h"

namespace {

// A new showing as the main window makes it: show, let the window system paint, close.
void BM_DataWindowNewShowing(benchmark::State& state) {
  const std::string text = data_window_test::StartedDownload(static_cast<int>(state.range(0)));
  TForm5 form;
  form.SetDownloadTextSource([&text] { return text; });
  for (auto _ : state) {
    form.show();
    QApplication::processEvents();
    form.hide();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DataWindowNewShowing)->Arg(2000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The rebuild alone (decode and table), with the window up.
void BM_DataWindowFormActivate(benchmark::State& state) {
  const std::string text = data_window_test::StartedDownload(static_cast<int>(state.range(0)));
  TForm5 form;
  form.SetDownloadTextSource([&text] { return text; });
  form.show();
  QApplication::processEvents();
  for (auto _ : state) {
    form.FormActivate();
    benchmark::DoNotOptimize(form.RowCount());
  }
  form.hide();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DataWindowFormActivate)->Arg(2000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Saving the table to a file (temporary file, sync to disk, rename).
void BM_TableFileSave(benchmark::State& state) {
  const std::string text = data_window_test::StartedDownload(static_cast<int>(state.range(0)));
  SampleDecoder decoder;
  const SampleTable table = decoder.Decode(text);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("datos.txt"));
  TableFileWriter writer;
  for (auto _ : state) {
    if (!writer.Write(path, table)) state.SkipWithError("save failed");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TableFileSave)->Arg(2000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
