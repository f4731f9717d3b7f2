// Dates and times on a chart's bottom axis, limit lines, and marks for values beyond the fixed
// vertical range. Used by the report and by the chart window's time axis option; the chart keeps
// drawing through its own render path (screen, clipboard, printer, report).
#pragma once

#include <cstddef>
#include <vector>

#include "analysis/SampleStatistics.h"
#include "data/SampleDecoder.h"

class LineChart;

// Positions of the samples with values on a uniform wall clock, in seconds, and their values.
struct TimeSeries {
  std::vector<double> seconds;
  std::vector<double> humidity;
  std::vector<double> temperature;
  std::vector<int> sampleNumbers;  // 1-based, for read-outs
};

// The samples that carry both a time stamp and values; a table without time stamps gives none.
TimeSeries TimeSeriesOf(const SampleTable& table);

// Gives the chart's bottom axis dates and times, titled "Fecha y hora", whose labels show more or
// less detail as the view spans more or less time.
void UseTimeAxis(LineChart& chart);

// Puts `values` against `seconds` on the chart, with a date and time axis whose labels show more or
// less detail as the view spans more or less time, and the bottom axis fitted to the data.
void ShowOnTimeAxis(LineChart& chart, const std::vector<double>& seconds,
                    const std::vector<double>& values);

// Breaks the chart's line at every gap between samples of `table` before sample `shown` (see
// record::TableGaps): on the time axis halfway between the two samples' times, on the sample axis
// (sample i at x = i) halfway between their places. On the time axis samples that go back in time
// get no break, as the chart draws its points in time order.
void BreakLineAtGaps(LineChart& chart, const SampleTable& table, bool timeAxis, std::size_t shown);

// Dashed horizontal lines at the set limits (none for a limit that is not set); replaces earlier
// limit lines.
void ShowLimitLines(LineChart& chart, const analysis::ChannelLimits& limits);

// Small triangles on the top or bottom edge at the x of every value above or below the chart's
// fixed vertical range, so that such values do not simply vanish; replaces earlier marks.
void MarkValuesBeyondRange(LineChart& chart, const std::vector<double>& x,
                           const std::vector<double>& values);

// The time axis' label format for a view spanning `seconds`.
const char* TimeAxisFormat(double seconds);
