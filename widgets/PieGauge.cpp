#include "widgets/PieGauge.h"

#include <QPainter>
#include <algorithm>

PieGauge::PieGauge(QWidget* parent) : QWidget(parent) {}

void PieGauge::setMaximum(int maximum) {
  maximum = std::max(1, maximum);
  if (maximum_ == maximum) return;
  maximum_ = maximum;
  progress_ = std::min(progress_, maximum_);
  update();
}

void PieGauge::setProgress(int progress) {
  progress = std::clamp(progress, 0, maximum_);
  if (progress_ == progress) return;
  progress_ = progress;
  update();
}

void PieGauge::setForeColor(const QColor& color) {
  if (foreColor_ == color) return;
  foreColor_ = color;
  update();
}

void PieGauge::setBackColor(const QColor& color) {
  if (backColor_ == color) return;
  backColor_ = color;
  update();
}

void PieGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect());
  const qreal pen = std::max<qreal>(1, std::min(r.width(), r.height()) * 0.04);
  const QRectF disc = r.adjusted(pen, pen, -pen, -pen);
  p.setPen(QPen(Qt::black, pen));
  p.setBrush(backColor_);
  p.drawEllipse(disc);
  if (progress_ > 0) {
    // Qt counts angles in sixteenths of a degree, anticlockwise from three o'clock.
    const int span = -static_cast<int>(360.0 * 16 * progress_ / maximum_);
    p.setBrush(foreColor_);
    if (progress_ >= maximum_)
      p.drawEllipse(disc);
    else
      p.drawPie(disc, 90 * 16, span);
  }
}
