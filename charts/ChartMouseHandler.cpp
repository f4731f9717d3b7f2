#include "charts/ChartMouseHandler.h"

#include <QMouseEvent>
#include <QRubberBand>

#include "charts/LineChart.h"

using chart_mouse::Button;
using chart_mouse::Gesture;
using chart_mouse::Point;
using chart_mouse::ZoomOutcome;

namespace {

Button ToButton(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return Button::kLeft;
    case Qt::RightButton:
      return Button::kRight;
    default:
      return Button::kOther;
  }
}

Point ToPoint(const QPoint& point) {
  return {point.x(), point.y()};
}

QPoint ToQPoint(const Point& point) {
  return {point.x, point.y};
}

bool HasModifiers(const QMouseEvent& event) {
  return (event.modifiers() &
          (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
}

}  // namespace

ChartMouseHandler::ChartMouseHandler(LineChart& chart)
    : QObject(&chart), chart_(chart), band_(new QRubberBand(QRubberBand::Rectangle, &chart)) {
  band_->hide();
  chart.installEventFilter(this);
}

bool ChartMouseHandler::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &chart_) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const auto& mouse = static_cast<const QMouseEvent&>(*event);
      const Gesture before = rules_.gesture();
      const Gesture now = rules_.Press(ToButton(mouse.button()), HasModifiers(mouse),
                                       ToPoint(mouse.position().toPoint()));
      if (before == Gesture::kNone && now == Gesture::kZoom) {
        band_->setGeometry(QRect(mouse.position().toPoint(), QSize()));
        band_->show();
      }
      return now != Gesture::kNone;
    }
    case QEvent::MouseMove: {
      const auto& mouse = static_cast<const QMouseEvent&>(*event);
      const QPoint at = mouse.position().toPoint();
      if (rules_.gesture() == Gesture::kZoom) {
        band_->setGeometry(QRect(ToQPoint(rules_.pressPoint()), at).normalized());
      } else if (rules_.gesture() == Gesture::kPan) {
        const Point step = rules_.Move(ToPoint(at));
        if (step.x != 0 || step.y != 0) chart_.PanByPixels(step.x, step.y);
      }
      return rules_.gesture() != Gesture::kNone;
    }
    case QEvent::MouseButtonRelease: {
      const auto& mouse = static_cast<const QMouseEvent&>(*event);
      const Gesture running = rules_.gesture();
      const Point press = rules_.pressPoint();
      const Point at = ToPoint(mouse.position().toPoint());
      const ZoomOutcome outcome = rules_.Release(ToButton(mouse.button()), at);
      if (running == Gesture::kZoom && rules_.gesture() == Gesture::kNone) band_->hide();
      if (outcome == ZoomOutcome::kZoom) {
        chart_.ZoomToPixels(ToQPoint(press), ToQPoint(at));
      } else if (outcome == ZoomOutcome::kRestore) {
        chart_.RestoreStandardView();
      }
      return running != Gesture::kNone;
    }
    case QEvent::Hide:
      rules_.Cancel();
      band_->hide();
      return false;
    default:
      return false;
  }
}
