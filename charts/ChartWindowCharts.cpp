// The chart window's charts: their looks, their places and their filling.
#include "charts/ChartWindowCharts.h"

#include <stdexcept>
#include <vector>

#include "charts/ChartLooks.h"
#include "charts/LineChart.h"
#include "charts/Unit6.h"
#include "data/SampleTable.h"
#include "record/TableGaps.h"

namespace {

// Appends one channel of every sample to a chart, in sample order, the line broken at the gaps.
void FillChart(LineChart& chart, const SampleTable* table, double SampleNumbers::*channel) {
  if (!table) return;
  const std::vector<record::TableGap> gaps = record::TableGaps(*table);
  auto gap = gaps.begin();
  for (std::size_t i = 0; i < table->samples.size(); ++i) {
    const SampleNumbers& sample = table->samples[i];
    // A sample whose line could not be decoded has an empty cell in the table: it is not a number.
    if (!sample.hasValues) throw std::runtime_error("'' is not a valid floating point value");
    if (gap != gaps.end() && gap->next == i) {
      chart.BreakLineAt(static_cast<double>(i) - 0.5);
      ++gap;
    }
    chart.Append(sample.*channel);
  }
}

}  // namespace

void BuildWindowCharts(TForm6& window) {
  auto* temperature = new LineChart(&window);
  temperature->setObjectName(QStringLiteral("Chart1"));
  temperature->setGeometry(6, 36, 527, 201);
  temperature->ApplyLook(TemperatureChartLook());
  auto* humidity = new LineChart(&window);
  humidity->setObjectName(QStringLiteral("Chart2"));
  humidity->setGeometry(6, 280, 527, 201);
  humidity->ApplyLook(HumidityChartLook());
  if (window.isVisible()) {
    temperature->show();
    humidity->show();
  }
  window.Chart1 = temperature;
  window.Chart2 = humidity;
  window.Series1 = temperature->series();
  window.LineSeries1 = humidity->series();
}

void FillWindowCharts(LineChart& temperature, LineChart& humidity, const SampleTable* table) {
  // Every showing starts from the standard axes, whatever zoom or pan the last one ended with.
  temperature.RestoreStandardView();
  humidity.RestoreStandardView();
  temperature.Repaint();
  temperature.Clear();
  FillChart(temperature, table, &SampleNumbers::temperature);
  humidity.Repaint();
  humidity.Clear();
  FillChart(humidity, table, &SampleNumbers::humidity);
}
