#include "charts/ChartPanel.h"

#include <QLinearGradient>

namespace {

const QColor kBorderLine(0, 0, 0);
const QColor kBevelShadow(128, 128, 128);
const QColor kBevelLight(255, 255, 255);

// Paints a rectangular ring of `width` pixels just inside `outer`: top and left edges in
// `topLeft`, bottom and right edges in `bottomRight`.
void FillRing(QCPPainter* painter, const QRect& outer, int width, const QColor& topLeft,
              const QColor& bottomRight) {
  const int w = outer.width();
  const int h = outer.height();
  painter->fillRect(QRect(outer.left(), outer.top(), w, width), topLeft);
  painter->fillRect(QRect(outer.left(), outer.top(), width, h), topLeft);
  painter->fillRect(QRect(outer.left(), outer.bottom() - width + 1, w, width), bottomRight);
  painter->fillRect(QRect(outer.right() - width + 1, outer.top(), width, h), bottomRight);
}

}  // namespace

ChartPanel::ChartPanel(QCustomPlot* plot) : QCPLayerable(plot) {}

void ChartPanel::SetGradient(const QColor& bottom, const QColor& top) {
  bottom_ = bottom;
  top_ = top;
}

void ChartPanel::SetFrameColor(const QColor& color) {
  frame_ = color;
}

QRect ChartPanel::clipRect() const {
  // The plot clips each item to its clip rectangle moved up by one pixel; moving it down first
  // keeps the frame's bottom line.
  return mParentPlot->viewport().translated(0, 1);
}

void ChartPanel::applyDefaultAntialiasingHint(QCPPainter* painter) const {
  painter->setAntialiasing(false);
}

void ChartPanel::draw(QCPPainter* painter) {
  const QRect area = mParentPlot->viewport();
  if (area.width() <= 2 * kFrameWidth || area.height() <= 2 * kFrameWidth) return;

  QLinearGradient gradient(area.bottomLeft(), area.topLeft());
  gradient.setColorAt(0.0, bottom_);
  gradient.setColorAt(1.0, top_);
  painter->fillRect(area, gradient);

  FillRing(painter, area, 1, kBorderLine, kBorderLine);
  const QRect border = area.adjusted(1, 1, -1, -1);
  FillRing(painter, border, 2, frame_, frame_);
  FillRing(painter, border.adjusted(2, 2, -2, -2), 3, kBevelShadow, kBevelLight);
}
