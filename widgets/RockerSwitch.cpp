#include "widgets/RockerSwitch.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "widgets/InstrumentPainting.h"

RockerSwitch::RockerSwitch(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setFocusPolicy(Qt::StrongFocus);
}

void RockerSwitch::setOn(bool on) {
  if (on_ == on) return;
  on_ = on;
  update();
}

void RockerSwitch::setText(const QString& text) {
  if (text_ == text) return;
  text_ = text;
  update();
}

void RockerSwitch::setOnLampColor(const QColor& color) {
  if (onLamp_ == color) return;
  onLamp_ = color;
  update();
}

void RockerSwitch::setOffLampColor(const QColor& color) {
  if (offLamp_ == color) return;
  offLamp_ = color;
  update();
}

void RockerSwitch::setCaptionTexts(const QStringList& texts) {
  captionTexts_ = texts;
  update();
}

void RockerSwitch::Press() {
  pressed_ = true;
  onBeforePress_ = on_;
  setOn(!on_);
}

void RockerSwitch::Release(bool overSwitch) {
  pressed_ = false;
  if (overSwitch) {
    emit clicked();
  } else {
    setOn(onBeforePress_);
  }
  emit released();
}

void RockerSwitch::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || pressed_) {
    event->ignore();
    return;
  }
  setFocus(Qt::MouseFocusReason);
  Press();
  event->accept();
}

void RockerSwitch::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) {
    event->ignore();
    return;
  }
  event->accept();
  Release(rect().contains(event->position().toPoint()));
}

void RockerSwitch::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space) {
    QWidget::keyPressEvent(event);
    return;
  }
  // Holding the key down repeats presses; only the first one flips the rocker.
  if (!event->isAutoRepeat() && !pressed_) Press();
  event->accept();
}

void RockerSwitch::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space) {
    QWidget::keyReleaseEvent(event);
    return;
  }
  if (!event->isAutoRepeat() && pressed_) Release(true);
  event->accept();
}

void RockerSwitch::focusOutEvent(QFocusEvent* event) {
  // Focus lost with the key still down (another window came up): nothing was clicked.
  if (pressed_) Release(false);
  QWidget::focusOutEvent(event);
}

QRectF RockerSwitch::CaptionRect() const {
  const qreal h = height();
  const qreal captionH = std::max<qreal>(8, h * 0.2);
  return QRectF(0, h - captionH, width(), captionH);
}

QFont RockerSwitch::captionFont() const {
  // Fitted to the longest caption, so that switching between them keeps the letters' size.
  QString longest = text_;
  const QFontMetricsF metrics(font());
  for (const QString& text : captionTexts_) {
    if (metrics.horizontalAdvance(text) > metrics.horizontalAdvance(longest)) longest = text;
  }
  return FittedFont(font(), longest, CaptionRect().size());
}

void RockerSwitch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect());
  const qreal w = r.width();
  const qreal h = r.height();
  const qreal unit = std::min(w, h);

  // Caption strip at the bottom, lamp at the top, rocker in between.
  const qreal captionH = text_.isEmpty() ? 0 : CaptionRect().height();
  const qreal lampD = std::max<qreal>(6, std::min(h * 0.17, w * 0.3));
  const QRectF lampRect(r.center().x() - lampD / 2, r.top() + h * 0.03, lampD, lampD);
  const qreal housingTop = lampRect.bottom() + h * 0.04;
  const qreal housingBottom = r.bottom() - captionH - h * 0.03;
  const qreal housingW = std::min(w * 0.55, (housingBottom - housingTop) * 0.75);
  const QRectF housing(r.center().x() - housingW / 2, housingTop, housingW,
                       std::max<qreal>(4, housingBottom - housingTop));

  DrawLamp(p, lampRect, on_ ? onLamp_ : offLamp_, true);

  // Housing: a dark recess with a sunken bevel.
  const qreal radius = unit * 0.05;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(25, 25, 25));
  p.drawRoundedRect(housing, radius, radius);
  const qreal bevel = std::max<qreal>(1, unit * 0.03);
  DrawBevel(p, housing, bevel, true);

  // Rocker: two faces meeting at the pivot. The pressed face is darker and narrower, the other
  // face catches the light.
  const QRectF face = housing.adjusted(bevel * 1.5, bevel * 1.5, -bevel * 1.5, -bevel * 1.5);
  const qreal pivot = face.center().y();
  const QRectF upper(face.left(), face.top(), face.width(), pivot - face.top());
  const QRectF lower(face.left(), pivot, face.width(), face.bottom() - pivot);
  const QRectF& pressedFace = on_ ? upper : lower;
  const QRectF& raisedFace = on_ ? lower : upper;

  QLinearGradient pressedShade(pressedFace.topLeft(), pressedFace.bottomLeft());
  pressedShade.setColorAt(0, on_ ? QColor(35, 35, 35) : QColor(70, 70, 70));
  pressedShade.setColorAt(1, on_ ? QColor(70, 70, 70) : QColor(35, 35, 35));
  p.setBrush(pressedShade);
  p.drawRect(pressedFace);

  QLinearGradient raisedShade(raisedFace.topLeft(), raisedFace.bottomLeft());
  raisedShade.setColorAt(0, on_ ? QColor(110, 110, 110) : QColor(200, 200, 200));
  raisedShade.setColorAt(1, on_ ? QColor(200, 200, 200) : QColor(110, 110, 110));
  p.setBrush(raisedShade);
  p.drawRect(raisedFace);
  DrawBevel(p, raisedFace, std::max<qreal>(1, unit * 0.025), false);

  // Position marks: a bar on the upper (on) face, a ring on the lower (off) face.
  p.setPen(QPen(QColor(240, 240, 240), std::max<qreal>(1, unit * 0.025)));
  p.setBrush(Qt::NoBrush);
  const qreal markH = std::min(upper.height(), upper.width()) * 0.45;
  p.drawLine(QPointF(upper.center().x(), upper.center().y() - markH / 2),
             QPointF(upper.center().x(), upper.center().y() + markH / 2));
  p.drawEllipse(lower.center(), markH / 2.5, markH / 2.5);

  if (!text_.isEmpty()) {
    const QRectF captionRect = CaptionRect();
    p.setPen(palette().color(foregroundRole()));
    p.setFont(captionFont());
    p.drawText(captionRect, Qt::AlignCenter, text_);
    if (hasFocus()) {
      // The keyboard focus: a dotted frame around the caption, as on the windows' buttons.
      const QRectF shown = p.boundingRect(captionRect, Qt::AlignCenter, text_);
      p.setRenderHint(QPainter::Antialiasing, false);
      p.setPen(QPen(palette().color(foregroundRole()), 1, Qt::DotLine));
      p.setBrush(Qt::NoBrush);
      p.drawRect(shown.adjusted(-2, 0, 1, -1).intersected(r.adjusted(0, 0, -1, -1)));
    }
  }
  if (hasFocus() && text_.isEmpty()) {
    p.setPen(QPen(palette().color(foregroundRole()), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
  }
}
