// The comparison window's charts: several stations' lines on one date and time axis, each in its
// own colour and named in a legend under the chart.
#pragma once

#include <QColor>
#include <vector>

class LineChart;
class QCPGraph;
class QWidget;

namespace record {
struct Comparison;
}

// A chart filling `holder` (in a layout of its own): temperature against date and time, or relative
// humidity, on the chart window's fixed vertical range, with an empty legend under it.
LineChart* MakeComparisonChart(QWidget& holder, bool temperature);

// Replaces the chart's lines with one per station of `comparison`, station k drawn in `colours[k]`
// (cycled when short) and named in the legend; a station without samples is named as such. Where a
// station has no sample its line is broken. The bottom axis spans every station's samples, the left
// one the fixed range widened to any value beyond it; a zoom or pan is dropped.
void ShowComparison(LineChart& chart, const record::Comparison& comparison, bool temperature,
                    const std::vector<QColor>& colours);

// The lines ShowComparison drew, in the stations' order (for tests).
std::vector<const QCPGraph*> ComparisonLines(const LineChart& chart);
