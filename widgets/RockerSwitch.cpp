#include "widgets/RockerSwitch.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "widgets/InstrumentPainting.h"

RockerSwitch::RockerSwitch(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
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

void RockerSwitch::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || pressed_) {
    event->ignore();
    return;
  }
  pressed_ = true;
  onBeforePress_ = on_;
  setOn(!on_);
  event->accept();
}

void RockerSwitch::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) {
    event->ignore();
    return;
  }
  pressed_ = false;
  event->accept();
  if (rect().contains(event->position().toPoint())) {
    emit clicked();
  } else {
    setOn(onBeforePress_);
  }
  emit released();
}

void RockerSwitch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect());
  const qreal w = r.width();
  const qreal h = r.height();
  const qreal unit = std::min(w, h);

  // Caption strip at the bottom, lamp at the top, rocker in between.
  const qreal captionH = text_.isEmpty() ? 0 : std::max<qreal>(8, h * 0.2);
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
    const QRectF captionRect(r.left(), r.bottom() - captionH, w, captionH);
    p.setPen(palette().color(foregroundRole()));
    p.setFont(FittedFont(font(), text_, captionRect.size()));
    p.drawText(captionRect, Qt::AlignCenter, text_);
  }
}
