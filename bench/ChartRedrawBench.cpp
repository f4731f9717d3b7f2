// How long a chart takes with many points: a full redraw on screen, a pan step, the clipboard
// picture, filling the series, filling the chart window from a decoded table, and the redraw with
// the display thinning (adaptive sampling) switched off for comparison.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <cmath>
#include <memory>
#include <random>

#include "charts/LineChart.h"
#include "charts/Unit6.h"
#include "data/SampleTable.h"

namespace {

std::unique_ptr<LineChart> MakeChart(int points, bool adaptive) {
  auto chart = std::make_unique<LineChart>();
  chart->resize(527, 201);
  LineChartLook look;
  look.title = QStringLiteral("TEMPERATURA vs. TIEMPO");
  look.titleFont = QFont(QStringLiteral("Arial"), 10, QFont::Bold);
  look.gradientBottom = QColor(0xC4, 0xFF, 0xFF);
  look.gradientTop = QColor(0xD7, 0xD7, 0xD7);
  look.frameColor = Qt::blue;
  look.bottomAxisTitle = QStringLiteral("Muestra número: (tiempo)");
  look.leftAxisTitle = QStringLiteral("TEMPERATURA °C");
  look.leftMinimum = -10.0;
  look.leftMaximum = 45.0;
  look.seriesColor = Qt::red;
  look.seriesWidth = 2;
  chart->ApplyLook(look);
  // A daily swing with sensor noise: the worst case for thinning, as every pixel column varies.
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 0.8);
  for (int i = 0; i < points; ++i) chart->Append(20.0 + 8.0 * std::sin(i / 1440.0) + noise(random));
  chart->series()->setAdaptiveSampling(adaptive);
  chart->show();
  (void)QTest::qWaitForWindowExposed(chart.get());
  chart->Repaint();
  return chart;
}

void BM_Redraw(benchmark::State& state) {
  auto chart = MakeChart(int(state.range(0)), state.range(1) != 0);
  for (auto _ : state) chart->Repaint();
  state.SetLabel(state.range(1) ? "adaptive sampling" : "every point drawn");
}
BENCHMARK(BM_Redraw)
    ->Args({2000, 1})
    ->Args({100000, 1})
    ->Args({100000, 0})
    ->Unit(benchmark::kMillisecond);

void BM_PanStep(benchmark::State& state) {
  auto chart = MakeChart(int(state.range(0)), true);
  int step = 3;
  for (auto _ : state) {
    chart->PanByPixels(step, 0);
    chart->Repaint();
    step = -step;
  }
}
BENCHMARK(BM_PanStep)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CopyPicture(benchmark::State& state) {
  auto chart = MakeChart(int(state.range(0)), true);
  for (auto _ : state) benchmark::DoNotOptimize(chart->RenderImage());
}
BENCHMARK(BM_CopyPicture)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_Fill(benchmark::State& state) {
  LineChart chart;
  chart.resize(527, 201);
  for (auto _ : state) {
    chart.Clear();
    for (int i = 0; i < state.range(0); ++i) chart.Append(i % 50);
  }
}
BENCHMARK(BM_Fill)->Arg(100000)->Unit(benchmark::kMillisecond);

// A showing's refill of both charts from the decoded table's numbers, up to a year of 1-minute
// samples.
void BM_ChartWindowFill(benchmark::State& state) {
  SampleTable table;
  table.rows.resize(static_cast<std::size_t>(state.range(0)) + 1);
  table.samples.resize(static_cast<std::size_t>(state.range(0)));
  for (std::size_t i = 0; i < table.samples.size(); ++i) {
    table.samples[i].hasValues = true;
    table.samples[i].temperature = 20.0 + double(i % 50) / 10.0;
    table.samples[i].humidity = 50.0 + double(i % 70) / 10.0;
  }
  TForm6 form;
  form.SetTableSource([&table] { return &table; });
  for (auto _ : state) form.FormActivate();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ChartWindowFill)->Arg(2000)->Arg(100000)->Arg(525600)->Unit(benchmark::kMillisecond);

}  // namespace
