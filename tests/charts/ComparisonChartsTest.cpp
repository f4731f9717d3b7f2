// The comparison chart on a real widget: a line per station named in the legend, a value beyond
// the fixed range widening the axis rather than vanishing, and a zoom dropped at the next showing.
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <cmath>
#include <limits>

#include "charts/ComparisonCharts.h"
#include "charts/LineChart.h"
#include "record/StationComparison.h"

namespace {

record::ComparedStation Line(const char* name, std::vector<double> seconds,
                             std::vector<double> values) {
  record::ComparedStation line;
  line.name = name;
  line.seconds = std::move(seconds);
  line.temperature = values;
  line.humidity = std::move(values);
  for (double value : line.temperature) line.samples += std::isnan(value) ? 0 : 1;
  return line;
}

TEST(ComparisonCharts, EveryStationIsALineInTheLegendAndNoValueFallsOutOfSight) {
  QWidget holder;
  holder.resize(700, 300);
  LineChart* chart = MakeComparisonChart(holder, true);
  holder.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&holder));
  const double nan = std::numeric_limits<double>::quiet_NaN();

  // A cold room below the chart window's -10 degrees, broken once; a station with nothing.
  ShowComparison(*chart,
                 record::CompareLines(
                     {Line("camara", {600, 900, 1200}, {-18.0, nan, -12.0}), Line("nave", {}, {})}),
                 true, {Qt::red, Qt::blue});
  const std::vector<const QCPGraph*> lines = ComparisonLines(*chart);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]->name(), "camara");
  EXPECT_EQ(lines[0]->pen().color(), QColor(Qt::red));
  EXPECT_EQ(lines[1]->name(), "nave (sin muestras)");
  EXPECT_EQ(chart->legend->itemCount(), 2);
  EXPECT_LT(chart->yAxis->range().lower, -18.0);
  EXPECT_EQ(chart->yAxis->range().upper, 45.0);
  EXPECT_EQ(chart->xAxis->range(), QCPRange(600, 1200));

  // Zoomed, then shown again with values in range: the standard view, nothing left of the last.
  chart->ZoomToPixels(QPoint(100, 60), QPoint(300, 150));
  ShowComparison(*chart, record::CompareLines({Line("camara", {0, 300}, {2.0, 3.0})}), true,
                 {Qt::red});
  EXPECT_EQ(ComparisonLines(*chart).size(), 1u);
  EXPECT_EQ(chart->legend->itemCount(), 1);
  EXPECT_EQ(chart->yAxis->range(), QCPRange(-10.0, 45.0));
  EXPECT_EQ(chart->xAxis->range(), QCPRange(0, 300));
  EXPECT_FALSE(chart->isViewMoved());
}

}  // namespace
