#include "widgets/ColorButton.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

#include "widgets/InstrumentPainting.h"

ColorButton::ColorButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
}

void ColorButton::setTextOff(const QString& text) {
  if (textOff_ == text) return;
  textOff_ = text;
  // The accessible text of the button is its released caption.
  setText(text.trimmed());
  updateGeometry();
  update();
}

void ColorButton::setTextOn(const QString& text) {
  if (textOn_ == text) return;
  textOn_ = text;
  update();
}

void ColorButton::setTextColor(const QColor& color) {
  if (textColor_ == color) return;
  textColor_ = color;
  update();
}

void ColorButton::setFaceGradient(const QColor& from, const QColor& to) {
  if (faceFrom_ == from && faceTo_ == to) return;
  faceFrom_ = from;
  faceTo_ = to;
  update();
}

void ColorButton::setBevelWidth(int width) {
  width = std::max(0, width);
  if (bevelWidth_ == width) return;
  bevelWidth_ = width;
  update();
}

QSize ColorButton::sizeHint() const {
  const QFontMetrics metrics(font());
  const int textWidth =
      std::max(metrics.horizontalAdvance(textOff_), metrics.horizontalAdvance(textOn_));
  return {std::max(75, textWidth + 2 * bevelWidth_ + 16),
          std::max(25, metrics.height() + 2 * bevelWidth_ + 10)};
}

void ColorButton::paintEvent(QPaintEvent*) {
  // Everything but the caption lies on whole pixels: drawn without antialiasing, the pixels are
  // the same and the drawing costs a fraction.
  QPainter p(this);
  const QRectF r = QRectF(rect());
  const bool down = isDown();

  QLinearGradient face(r.topLeft(), r.topRight());
  face.setColorAt(0, down ? faceFrom_.darker(115) : faceFrom_);
  face.setColorAt(1, down ? faceTo_.darker(115) : faceTo_);
  p.fillRect(r, face);

  // A thin black outline frames the face like a panel cut-out.
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  const QRectF inner = r.adjusted(1, 1, -1, -1);
  DrawBevel(p, inner, bevelWidth_, down);

  const QString caption = shownText();
  if (!caption.isEmpty()) {
    // Held down, the caption moves one pixel down and right, like the face under a finger.
    const qreal shift = down ? 1 : 0;
    const QRectF textRect = inner.adjusted(bevelWidth_ + 2 + shift, bevelWidth_ + shift,
                                           -bevelWidth_ - 2 + shift, -bevelWidth_ + shift);
    const QFont f = font();
    // A caption may hold line breaks: each line is measured, the widest one sets the size.
    const QStringList lines = caption.split(QLatin1Char('\n'));
    QString widest;
    QSizeF extent;
    for (const QString& line : lines) {
      const QSizeF lineExtent = TextExtent(f, line);
      if (lineExtent.width() >= extent.width()) widest = line;
      extent = QSizeF(std::max(extent.width(), lineExtent.width()),
                      extent.height() + lineExtent.height());
    }
    const bool fits = extent.width() <= textRect.width() && extent.height() <= textRect.height();
    const QSizeF lineBox(textRect.width(), textRect.height() / lines.size());
    const int size = fits ? f.pixelSize() : FittedFont(f, widest, lineBox).pixelSize();
    p.setPen(shownTextColor());
    DrawTextAtSize(p, f, size, textRect,
                   lines.size() > 1 ? int(Qt::AlignCenter) : Qt::AlignCenter | Qt::TextSingleLine,
                   caption);
  }

  if (hasFocus()) {
    QPen focusPen(shownTextColor(), 1, Qt::DotLine);
    p.setPen(focusPen);
    p.setBrush(Qt::NoBrush);
    const int m = bevelWidth_ + 2;
    p.drawRect(rect().adjusted(m, m, -m - 1, -m - 1));
  }
}

void ColorButton::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat() &&
      isEnabled()) {
    click();
    event->accept();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}
