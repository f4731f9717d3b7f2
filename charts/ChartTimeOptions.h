// What the chart window offers beside its specified controls: a "Eje de fecha y hora" box that puts
// both charts on a date and time axis (the sample axis stays the default), a read-out of the point
// under the pointer (sample, date, time, value), the summary's limits as lines, and marks on the
// edge for values beyond the charts' fixed ranges, and the excursions beyond the limits of the
// alarm rule of the table's station shaded behind the curves.
#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "alarms/Alarm.h"
#include "analysis/SampleStatistics.h"

class LineChart;
class QCheckBox;
class QLabel;
class TForm6;
struct SampleTable;

class ChartTimeOptions : public QObject {
  Q_OBJECT

 public:
  // `table` and `limits` are read each time the window is shown or the box is ticked.
  ChartTimeOptions(TForm6* window, std::function<const SampleTable*()> table,
                   std::function<analysis::LimitSettings()> limits);

  // Redraws both charts on the chosen axis with limit lines and edge marks.
  void Apply();
  // The read-out for the point of `chart` nearest to the widget position `x` (empty without
  // points).
  QString ReadOutAt(LineChart& chart, int x) const;

  QCheckBox* timeAxisBox() const { return timeAxis_; }
  QLabel* readOut() const { return readOut_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Limit lines, edge marks and excursion shading for the points the chart holds.
  void Decorate(LineChart& chart, const analysis::ChannelLimits& limits, const SampleTable& table,
                const std::optional<AlarmRule>& rule);

  TForm6* window_;
  std::function<const SampleTable*()> table_;
  std::function<analysis::LimitSettings()> limits_;
  QCheckBox* timeAxis_;
  QLabel* readOut_;
  bool onTimeAxis_ = false;
  // On the time axis, per point of the charts in time order: its time and the sample's index.
  std::vector<std::pair<double, std::size_t>> pointSamples_;
  // On the time axis, the samples up to the first that could not be read.
  std::size_t timeAxisShown_ = 0;
};
