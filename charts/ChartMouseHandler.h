// Attaches the chart mouse rules to a chart widget: it watches the widget's mouse events, shows
// the rubber band while a zoom rectangle is dragged, and tells the chart to zoom, restore or pan.
#pragma once

#include <QObject>

#include "charts/ChartMouseRules.h"

class LineChart;
class QRubberBand;

class ChartMouseHandler : public QObject {
  Q_OBJECT
 public:
  explicit ChartMouseHandler(LineChart& chart);

  // The rubber band shown while a zoom rectangle is dragged.
  const QRubberBand* rubberBand() const { return band_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  LineChart& chart_;
  QRubberBand* band_;
  chart_mouse::ChartMouseRules rules_;
};
