#include "widgets/ValueIndicator.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "widgets/DecimalText.h"
#include "widgets/InstrumentPainting.h"

ValueIndicator::ValueIndicator(QWidget* parent) : QWidget(parent) {
  // The face covers the whole box: nothing behind it needs repainting with it.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ValueIndicator::setValue(double value) {
  // NaN never equals itself; treat two NaNs as the same value.
  if (value_ == value || (std::isnan(value_) && std::isnan(value))) return;
  value_ = value;
  update();
}

QString ValueIndicator::valueText() const {
  return QString::fromStdString(FormatDecimal(value_, 1));
}

void ValueIndicator::setCaption(const QString& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  update();
}

void ValueIndicator::setUnit(const QString& unit) {
  if (unit_ == unit) return;
  unit_ = unit;
  update();
}

void ValueIndicator::setDigitColor(const QColor& color) {
  if (digitColor_ == color) return;
  digitColor_ = color;
  update();
}

void ValueIndicator::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect());
  const qreal h = r.height();

  p.fillRect(r, QColor(10, 10, 10));
  const qreal bevel = std::max<qreal>(1, std::min(r.width(), h) * 0.05);
  DrawBevel(p, r, bevel, true);
  const QRectF inner = r.adjusted(bevel + 1, bevel, -bevel - 1, -bevel);

  // Small legend strip on top, digits below it.
  const bool legend = !caption_.isEmpty() || !unit_.isEmpty();
  const qreal legendH = legend ? std::max<qreal>(6, inner.height() * 0.3) : 0;
  if (legend) {
    const QRectF strip(inner.left(), inner.top(), inner.width(), legendH);
    QFont f = font();
    f.setBold(true);
    const int size =
        FittedFont(f, caption_ + QStringLiteral("  ") + unit_, strip.size()).pixelSize();
    p.setPen(digitColor_.darker(130));
    DrawTextAtSize(p, f, size, strip, Qt::AlignLeft | Qt::AlignVCenter, caption_);
    DrawTextAtSize(p, f, size, strip, Qt::AlignRight | Qt::AlignVCenter, unit_);
  }
  // A clear gap between the last figure and the bevel: the digits lean forward, and touching the
  // frame they would read as part of it.
  const qreal gap = std::max<qreal>(2, h * 0.08);
  const QRectF digits(inner.left() + gap, inner.top() + legendH + inner.height() * 0.06,
                      inner.width() - 2 * gap, inner.height() - legendH - inner.height() * 0.1);
  DrawSegmentText(p, digits, valueText(), digitColor_, UnlitShade(digitColor_).darker(250),
                  Qt::AlignRight);
}
