// Shading on a chart for the stretches a station's samples spent beyond the limits of its alarm
// rule: light red behind an alarm, light amber behind a warning.
#pragma once

#include <QColor>
#include <cstddef>
#include <functional>
#include <optional>

#include "alarms/Alarm.h"

class LineChart;
struct SampleTable;

// Where the chart draws sample i (from 0) along its bottom axis, and half the width a sample takes.
struct SamplePlacing {
  std::function<double(std::size_t)> x;
  double halfWidth = 0.5;
};

// Replaces the chart's shading with the raised excursions of one channel of `table` (the
// temperature when `temperature`) under `rule`; no rule clears it. Only the first `shown` samples
// are drawn: an excursion is cut at the last of them. Each band runs from half a sample before its
// first sample to half a sample before the sample that ended it, or half a sample past the last
// one shown when it had not ended; it fills the chart's height behind the curve and the grid. A
// band never spans a gap between samples (see record::TableGaps): it stops half a sample after the
// last sample before the gap and goes on half a sample before the first after it.
void ShadeExcursions(LineChart& chart, const SampleTable& table, bool temperature,
                     const std::optional<AlarmRule>& rule, std::size_t shown,
                     const SamplePlacing& placing);

// The fill colours of the bands.
QColor ExcursionShade(AlarmLevel level);
