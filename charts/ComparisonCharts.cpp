// Comparison charts: the line chart with a legend under it and one line per station.
#include "charts/ComparisonCharts.h"

#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "charts/ChartLooks.h"
#include "charts/ChartTimeAxis.h"
#include "charts/LineChart.h"
#include "record/StationComparison.h"

namespace {

const char kLineName[] = "station-line";
// Stations named on one row of the legend before it wraps to the next.
constexpr int kLegendColumns = 6;

// The chart window's fixed vertical range, widened to take in any value beyond it, so that no
// station's line runs out of sight.
void FitLeftAxis(LineChart& chart, const record::Comparison& comparison, bool temperature) {
  const LineChartLook look = temperature ? TemperatureChartLook() : HumidityChartLook();
  double low = look.leftMinimum;
  double high = look.leftMaximum;
  for (const record::ComparedStation& station : comparison.stations) {
    for (const double value : temperature ? station.temperature : station.humidity) {
      if (std::isnan(value)) continue;  // a break
      low = std::min(low, value);
      high = std::max(high, value);
    }
  }
  const double margin = 0.02 * (look.leftMaximum - look.leftMinimum);
  if (low < look.leftMinimum) low -= margin;
  if (high > look.leftMaximum) high += margin;
  chart.yAxis->setRange(low, high);
}

}  // namespace

LineChart* MakeComparisonChart(QWidget& holder, bool temperature) {
  auto* layout = holder.layout();
  if (!layout) {
    layout = new QVBoxLayout(&holder);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  auto* chart = new LineChart(&holder);
  chart->setObjectName(temperature ? QStringLiteral("ComparisonTemperatureChart")
                                   : QStringLiteral("ComparisonHumidityChart"));
  LineChartLook look = temperature ? TemperatureChartLook() : HumidityChartLook();
  look.title = temperature ? QStringLiteral("TEMPERATURA DE LAS ESTACIONES")
                           : QStringLiteral("HUMEDAD RELATIVA DE LAS ESTACIONES");
  chart->ApplyLook(look);
  UseTimeAxis(*chart);
  chart->FitBottomToData(1800);

  // The legend goes under the axes, in rows, so that it never hides a line.
  QCPLegend* legend = chart->legend;
  chart->axisRect()->insetLayout()->take(legend);
  chart->plotLayout()->addElement(2, 0, legend);
  chart->plotLayout()->setRowStretchFactor(2, 0.001);
  legend->setWrap(kLegendColumns);
  legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  legend->setBrush(Qt::NoBrush);
  legend->setBorderPen(Qt::NoPen);
  legend->setFont(look.axisTitleFont);
  legend->setTextColor(look.axisTitleColor);
  legend->setMargins(QMargins(4, 0, 4, 2));
  legend->setVisible(true);
  layout->addWidget(chart);
  return chart;
}

void ShowComparison(LineChart& chart, const record::Comparison& comparison, bool temperature,
                    const std::vector<QColor>& colours) {
  for (int i = chart.graphCount() - 1; i >= 0; --i) {
    if (chart.graph(i)->objectName() == QLatin1String(kLineName)) chart.removeGraph(i);
  }
  for (std::size_t k = 0; k < comparison.stations.size(); ++k) {
    const record::ComparedStation& station = comparison.stations[k];
    QCPGraph* line = chart.addGraph(chart.xAxis, chart.yAxis);
    line->setObjectName(QLatin1String(kLineName));
    QString name = QString::fromStdString(station.name);
    if (station.samples == 0) name += QStringLiteral(" (sin muestras)");
    line->setName(name);
    const QColor colour = colours.empty() ? QColor(Qt::black) : colours[k % colours.size()];
    line->setPen(QPen(colour, 2));
    line->setLineStyle(QCPGraph::lsLine);
    line->setAdaptiveSampling(true);
    const std::vector<double>& values = temperature ? station.temperature : station.humidity;
    // The times ascend by construction; the NaN values of breaks leave gaps in the line.
    line->setData(QVector<double>(station.seconds.begin(), station.seconds.end()),
                  QVector<double>(values.begin(), values.end()), true);
    line->addToLegend();
  }
  // Every showing starts from the standard view over all the stations' samples.
  chart.FitBottomToData(1800);
  FitLeftAxis(chart, comparison, temperature);
  chart.replot(QCustomPlot::rpQueuedReplot);
}

std::vector<const QCPGraph*> ComparisonLines(const LineChart& chart) {
  std::vector<const QCPGraph*> lines;
  for (int i = 0; i < chart.graphCount(); ++i) {
    if (chart.graph(i)->objectName() == QLatin1String(kLineName)) lines.push_back(chart.graph(i));
  }
  return lines;
}
