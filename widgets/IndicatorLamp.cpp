#include "widgets/IndicatorLamp.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

#include "widgets/InstrumentPainting.h"

IndicatorLamp::IndicatorLamp(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  blinkTimer_.setInterval(kHalfPeriodMs);
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
    blinkTimer_.start();
  else
    blinkTimer_.stop();
}

void IndicatorLamp::blinkStep() {
  if (!lit_ || !flashing_) return;
  phaseOn_ = !phaseOn_;
  update();
}

void IndicatorLamp::paintEvent(QPaintEvent*) {
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
  const qreal lampD = std::max<qreal>(4, h - 2 * margin);
  const QRectF lampRect(r.left() + margin, r.center().y() - lampD / 2, lampD, lampD);
  DrawLamp(p, lampRect, lampColor_, lampVisibleNow());

  if (!text_.isEmpty()) {
    const QRectF textRect(lampRect.right() + margin * 0.7, r.top() + bevel,
                          r.right() - bevel - lampRect.right() - margin, r.height() - 2 * bevel);
    if (textRect.width() > 0) {
      QFont f = font();
      QFontMetricsF metrics(f);
      if (metrics.horizontalAdvance(text_) > textRect.width() ||
          metrics.height() > textRect.height())
        f = FittedFont(f, text_, textRect.size());
      p.setFont(f);
      p.setPen(textColor_);
      p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text_);
    }
  }
}
