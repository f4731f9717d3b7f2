#include "widgets/LedBar.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "widgets/DecimalText.h"
#include "widgets/InstrumentPainting.h"

LedBar::LedBar(QWidget* parent) : QWidget(parent) {
  // The plate covers the whole box: nothing behind it needs repainting with it.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void LedBar::setValue(double value) {
  if (std::isnan(value)) value = kMinimum;
  value = std::clamp(value, kMinimum, kMaximum);
  if (value_ == value) return;
  value_ = value;
  update();
}

QString LedBar::valueText() const {
  return QString::fromStdString(FormatDecimal(value_, 0));
}

int LedBar::litSegments() const {
  const double perSegment = (kMaximum - kMinimum) / kSegments;
  return std::clamp(static_cast<int>(std::floor((value_ - kMinimum) / perSegment + 0.5)), 0,
                    kSegments);
}

void LedBar::setBarColor(const QColor& color) {
  if (barColor_ == color) return;
  barColor_ = color;
  update();
}

void LedBar::setFontColor(const QColor& color) {
  if (fontColor_ == color) return;
  fontColor_ = color;
  update();
}

void LedBar::setCaption1(const QString& caption) {
  if (caption1_ == caption) return;
  caption1_ = caption;
  update();
}

void LedBar::setCaption2(const QString& caption) {
  if (caption2_ == caption) return;
  caption2_ = caption;
  update();
}

void LedBar::setUnit(const QString& unit) {
  if (unit_ == unit) return;
  unit_ = unit;
  update();
}

void LedBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect());
  const qreal unitLen = std::min(r.width(), r.height());

  QLinearGradient plate(r.topLeft(), r.bottomRight());
  plate.setColorAt(0, QColor(45, 45, 45));
  plate.setColorAt(1, QColor(15, 15, 15));
  p.fillRect(r, plate);
  const qreal bevel = std::max<qreal>(1, unitLen * 0.025);
  DrawBevel(p, r, bevel, false);
  const QRectF inner = r.adjusted(bevel + 2, bevel + 1, -bevel - 2, -bevel - 2);

  // Two caption lines on top.
  const qreal captionH = inner.height() * 0.2;
  const QRectF captionRect(inner.left(), inner.top(), inner.width(), captionH);
  QFont captionFont = font();
  captionFont.setBold(true);
  const int captionSize =
      FittedFont(captionFont, caption1_ + QLatin1Char('\n') + caption2_, captionRect.size())
          .pixelSize();
  p.setPen(fontColor_);
  DrawTextAtSize(p, captionFont, captionSize,
                 QRectF(captionRect.left(), captionRect.top(), captionRect.width(), captionH / 2),
                 Qt::AlignHCenter | Qt::AlignVCenter, caption1_);
  DrawTextAtSize(p, captionFont, captionSize,
                 QRectF(captionRect.left(), captionRect.top() + captionH / 2, captionRect.width(),
                        captionH / 2),
                 Qt::AlignHCenter | Qt::AlignVCenter, caption2_);

  // The bar on the left, the value text on the right.
  const QRectF body(inner.left(), captionRect.bottom() + inner.height() * 0.03, inner.width(),
                    inner.bottom() - captionRect.bottom() - inner.height() * 0.03);
  const qreal barW = std::min(body.width() * 0.4, body.height() * 0.35);
  const QRectF well(body.left() + body.width() * 0.08, body.top(), barW, body.height());
  p.fillRect(well, Qt::black);
  DrawBevel(p, well, std::max<qreal>(1, bevel * 0.8), true);

  const QRectF column = well.adjusted(barW * 0.12, barW * 0.08, -barW * 0.12, -barW * 0.08);
  const qreal pitch = column.height() / kSegments;
  const qreal gap = std::max<qreal>(0.6, pitch * 0.25);
  const int lit = litSegments();
  const QColor off = UnlitShade(barColor_);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < kSegments; ++i) {
    const qreal bottom = column.bottom() - i * pitch;
    const QRectF led(column.left(), bottom - pitch + gap / 2, column.width(), pitch - gap);
    if (i < lit) {
      QLinearGradient shine(led.topLeft(), led.topRight());
      shine.setColorAt(0, barColor_.darker(120));
      shine.setColorAt(0.4, barColor_.lighter(130));
      shine.setColorAt(1, barColor_.darker(120));
      p.setBrush(shine);
    } else {
      p.setBrush(off);
    }
    p.drawRect(led);
  }

  // Scale marks at 0, 50 and 100 beside the bar.
  p.setPen(QPen(fontColor_.darker(140), std::max<qreal>(1, unitLen * 0.008)));
  for (int mark = 0; mark <= 2; ++mark) {
    const qreal y = column.bottom() - mark * column.height() / 2;
    p.drawLine(QPointF(well.right() + 2, y), QPointF(well.right() + 2 + barW * 0.25, y));
  }

  const QString text = valueText() + (unit_.isEmpty() ? QString() : QLatin1Char(' ') + unit_);
  const QRectF textRect(well.right() + barW * 0.35, body.top(),
                        body.right() - well.right() - barW * 0.35, body.height());
  if (textRect.width() > 0) {
    QFont valueFont = font();
    valueFont.setBold(true);
    const int valueSize =
        FittedFont(valueFont, QStringLiteral("100 ") + unit_,
                   QSizeF(textRect.width(), std::min(textRect.height(), body.height() * 0.2)))
            .pixelSize();
    p.setPen(fontColor_);
    DrawTextAtSize(p, valueFont, valueSize, textRect, Qt::AlignHCenter | Qt::AlignVCenter, text);
  }
}
