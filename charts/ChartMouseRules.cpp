#include "charts/ChartMouseRules.h"

#include <cstdlib>

namespace chart_mouse {

ZoomOutcome ClassifyZoomDrag(Point press, Point release) {
  const int dx = release.x - press.x;
  const int dy = release.y - press.y;
  if (std::abs(dx) <= kMinimumDrag || std::abs(dy) <= kMinimumDrag) return ZoomOutcome::kNothing;
  return (dx > 0 && dy > 0) ? ZoomOutcome::kZoom : ZoomOutcome::kRestore;
}

Gesture ChartMouseRules::Press(Button button, bool withModifiers, Point at) {
  if (gesture_ != Gesture::kNone || withModifiers) return gesture_;
  if (button == Button::kLeft) {
    gesture_ = Gesture::kZoom;
  } else if (button == Button::kRight) {
    gesture_ = Gesture::kPan;
  } else {
    return gesture_;
  }
  press_ = at;
  last_ = at;
  return gesture_;
}

Point ChartMouseRules::Move(Point at) {
  if (gesture_ != Gesture::kPan) return {};
  const Point step{at.x - last_.x, at.y - last_.y};
  last_ = at;
  return step;
}

ZoomOutcome ChartMouseRules::Release(Button button, Point at) {
  const Button started = gesture_ == Gesture::kZoom  ? Button::kLeft
                         : gesture_ == Gesture::kPan ? Button::kRight
                                                     : Button::kOther;
  if (gesture_ == Gesture::kNone || button != started) return ZoomOutcome::kNothing;
  const Gesture ended = gesture_;
  gesture_ = Gesture::kNone;
  return ended == Gesture::kZoom ? ClassifyZoomDrag(press_, at) : ZoomOutcome::kNothing;
}

}  // namespace chart_mouse
