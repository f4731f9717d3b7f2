#include "widgets/GradientPanel.h"

#include <QLinearGradient>
#include <QPainter>

GradientPanel::GradientPanel(QWidget* parent) : QWidget(parent) {}

void GradientPanel::setColors(const QColor& from, const QColor& to) {
  if (from_ == from && to_ == to) return;
  from_ = from;
  to_ = to;
  update();
}

void GradientPanel::setOrientation(Qt::Orientation orientation) {
  if (orientation_ == orientation) return;
  orientation_ = orientation;
  update();
}

void GradientPanel::setGradientEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  update();
}

void GradientPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRectF r = QRectF(rect());
  if (!enabled_) {
    p.fillRect(r, palette().color(QPalette::Window));
    return;
  }
  const QPointF end = orientation_ == Qt::Horizontal ? r.topRight() : r.bottomLeft();
  QLinearGradient gradient(r.topLeft(), end);
  gradient.setColorAt(0, from_);
  gradient.setColorAt(1, to_);
  p.fillRect(r, gradient);
}
