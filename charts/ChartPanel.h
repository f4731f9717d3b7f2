// The chart's panel: a vertical gradient over the whole chart and its frame (a single dark line,
// a border in the panel colour and a lowered bevel). It is a layer item of the plot, so the
// screen, the clipboard picture and the printed page all draw it the same way.
#pragma once

#include <qcustomplot.h>
#include <QColor>

class ChartPanel : public QCPLayerable {
  Q_OBJECT
 public:
  // Pixels taken by the frame on each side: border line 1, panel border 2, bevel 3.
  static constexpr int kFrameWidth = 6;

  explicit ChartPanel(QCustomPlot* plot);

  void SetGradient(const QColor& bottom, const QColor& top);
  void SetFrameColor(const QColor& color);
  QColor gradientBottom() const { return bottom_; }
  QColor gradientTop() const { return top_; }
  QColor frameColor() const { return frame_; }

 protected:
  QRect clipRect() const override;
  void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
  void draw(QCPPainter* painter) override;

 private:
  QColor bottom_{Qt::white};
  QColor top_{Qt::white};
  QColor frame_{Qt::blue};
};
