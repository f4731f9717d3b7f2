#include "widgets/IndicatorLamp.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QTime>
#include <algorithm>

#include "widgets/InstrumentPainting.h"

IndicatorLamp::IndicatorLamp(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  // The plate covers the whole box: nothing behind it needs repainting with it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  blinkTimer_.setSingleShot(true);
  blinkTimer_.setTimerType(Qt::PreciseTimer);
  connect(&blinkTimer_, &QTimer::timeout, this, &IndicatorLamp::blinkStep);
}

void IndicatorLamp::setLit(bool lit) {
  if (lit_ == lit) return;
  lit_ = lit;
  restartBlinking();
  update();
}

void IndicatorLamp::setFlashing(bool flashing) {
  if (flashing_ == flashing) return;
  flashing_ = flashing;
  restartBlinking();
  update();
}

void IndicatorLamp::setText(const QString& text) {
  if (text_ == text) return;
  text_ = text;
  update();
}

void IndicatorLamp::setTextColor(const QColor& color) {
  if (textColor_ == color) return;
  textColor_ = color;
  update();
}

void IndicatorLamp::setLampColor(const QColor& color) {
  if (lampColor_ == color) return;
  lampColor_ = color;
  update();
}

void IndicatorLamp::restartBlinking() {
  phaseOn_ = true;
  if (lit_ && flashing_)
    scheduleNextBlink();
  else
    blinkTimer_.stop();
}

void IndicatorLamp::scheduleNextBlink() {
  // On the computer clock's half seconds, a few milliseconds after, like the clock displays: the
  // lamp and the clocks then change in one repaint of the window instead of two.
  const int msIntoHalf = QTime::currentTime().msec() % kHalfPeriodMs;
  blinkTimer_.start(kHalfPeriodMs - msIntoHalf + 5);
}

void IndicatorLamp::blinkStep() {
  if (!lit_ || !flashing_) return;
  phaseOn_ = !phaseOn_;
  if (!blinkTimer_.isActive()) scheduleNextBlink();  // called by the timer, which has run out
  // Only the lamp changes as it flashes: the caption beside it is not redrawn twice a second.
  update(lampRect().toAlignedRect());
}

QRectF IndicatorLamp::lampRect() const {
  const QRectF r = QRectF(rect());
  const qreal h = r.height();
  const qreal margin = std::max<qreal>(2, h * 0.15);
  const qreal lampD = std::max<qreal>(4, h - 2 * margin);
  return QRectF(r.left() + margin, r.center().y() - lampD / 2, lampD, lampD);
}

void IndicatorLamp::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect());
  const qreal h = r.height();

  // Dark instrument plate with a raised edge.
  QLinearGradient plate(r.topLeft(), r.bottomLeft());
  plate.setColorAt(0, QColor(70, 70, 70));
  plate.setColorAt(1, QColor(30, 30, 30));
  p.fillRect(r, plate);
  const qreal bevel = std::max<qreal>(1, h * 0.06);
  DrawBevel(p, r, bevel, false);

  const qreal margin = std::max<qreal>(2, h * 0.15);
  const QRectF lamp = lampRect();
  DrawLamp(p, lamp, lampColor_, lampVisibleNow());

  if (!text_.isEmpty()) {
    const QRectF textRect(lamp.right() + margin * 0.7, r.top() + bevel,
                          r.right() - bevel - lamp.right() - margin, r.height() - 2 * bevel);
    if (textRect.width() > 0 && event->rect().intersects(textRect.toAlignedRect())) {
      const QFont f = font();
      const QSizeF extent = TextExtent(f, text_);
      const bool fits = extent.width() <= textRect.width() && extent.height() <= textRect.height();
      const int size = fits ? f.pixelSize() : FittedFont(f, text_, textRect.size()).pixelSize();
      p.setPen(textColor_);
      DrawTextAtSize(p, f, size, textRect, Qt::AlignLeft | Qt::AlignVCenter, text_);
    }
  }
}
