#include "widgets/ClockDisplay.h"

#include <QPainter>
#include <algorithm>

#include "widgets/InstrumentPainting.h"

ClockDisplay::ClockDisplay(QWidget* parent)
    : QWidget(parent), clock_([] { return QDateTime::currentDateTime(); }) {
  // The face covers the whole box: nothing behind it needs repainting with it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  tickTimer_.setSingleShot(true);
  tickTimer_.setTimerType(Qt::PreciseTimer);
  connect(&tickTimer_, &QTimer::timeout, this, &ClockDisplay::tick);
}

void ClockDisplay::setMode(Mode mode) {
  if (mode_ == mode) return;
  mode_ = mode;
  update();
}

void ClockDisplay::setTextColor(const QColor& color) {
  if (textColor_ == color) return;
  textColor_ = color;
  update();
}

void ClockDisplay::setClockSource(std::function<QDateTime()> source) {
  clock_ = source ? std::move(source) : [] { return QDateTime::currentDateTime(); };
  update();
}

QString ClockDisplay::formatFor(Mode mode) {
  return mode == Date ? QStringLiteral("dd/MM/yyyy") : QStringLiteral("hh:mm:ss");
}

QString ClockDisplay::text() const {
  return clock_().toString(formatFor(mode_));
}

void ClockDisplay::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  scheduleNextTick();
}

void ClockDisplay::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  tickTimer_.stop();
}

void ClockDisplay::tick() {
  // A date display repaints once a day, not every second.
  if (text() != shownText_) update();
  scheduleNextTick();
}

void ClockDisplay::scheduleNextTick() {
  // Wake a few milliseconds after the next whole second, so the repaint never shows the old one.
  const int msIntoSecond = QTime::currentTime().msec();
  tickTimer_.start(1000 - msIntoSecond + 5);
}

void ClockDisplay::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect());
  p.fillRect(r, QColor(8, 8, 8));
  const qreal bevel = std::max<qreal>(1, std::min(r.width(), r.height()) * 0.06);
  DrawBevel(p, r, bevel, true);
  const qreal marginX = bevel + r.height() * 0.12;
  const qreal marginY = bevel + r.height() * 0.12;
  shownText_ = text();
  DrawSegmentText(p, r.adjusted(marginX, marginY, -marginX, -marginY), shownText_, textColor_,
                  UnlitShade(textColor_).darker(250), Qt::AlignHCenter);
}
