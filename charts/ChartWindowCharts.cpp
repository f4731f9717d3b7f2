// The chart window's charts: their looks, their places and their filling.
#include "charts/ChartWindowCharts.h"

#include <stdexcept>

#include "charts/ChartLooks.h"
#include "charts/LineChart.h"
#include "charts/Unit6.h"
#include "data/SampleTable.h"

namespace {

// Appends one channel of every sample to a chart, in sample order.
void FillChart(LineChart& chart, const SampleTable* table, double SampleNumbers::*channel) {
  if (!table) return;
  for (const SampleNumbers& sample : table->samples) {
    // A sample whose line could not be decoded has an empty cell in the table: it is not a number.
    if (!sample.hasValues) throw std::runtime_error("'' is not a valid floating point value");
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
