// The mouse rules of a chart, free of any widget: which gesture a button press starts, how far a
// pan has moved, and what a finished zoom drag means.
//
// Left button without modifier keys: zoom drag. On release, a drag of more than kMinimumDrag pixels
// both horizontally and vertically zooms when it went right and down, and restores the view from
// before the first zoom in any other direction; a shorter drag in either direction does nothing.
// Right button without modifier keys: pan; every move reports how far the mouse went since the
// previous one. Other buttons, buttons with modifiers and presses during a gesture are ignored.
#pragma once

namespace chart_mouse {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

enum class Button { kLeft, kRight, kOther };
enum class Gesture { kNone, kZoom, kPan };
enum class ZoomOutcome { kNothing, kZoom, kRestore };

// A drag must be longer than this many pixels both ways to zoom or restore.
inline constexpr int kMinimumDrag = 16;

// What a left-button drag from `press` to `release` means.
ZoomOutcome ClassifyZoomDrag(Point press, Point release);

class ChartMouseRules {
 public:
  // Starts a gesture unless one is running; returns the gesture now running.
  Gesture Press(Button button, bool withModifiers, Point at);

  // A move during a pan: the distance from the previous position (zero outside a pan).
  Point Move(Point at);

  // Ends the gesture started by `button`; a zoom drag is classified, anything else gives kNothing.
  ZoomOutcome Release(Button button, Point at);

  // Forgets a running gesture (the mouse grab was lost, the chart was hidden).
  void Cancel() { gesture_ = Gesture::kNone; }

  Gesture gesture() const { return gesture_; }
  Point pressPoint() const { return press_; }

 private:
  Gesture gesture_ = Gesture::kNone;
  Point press_;
  Point last_;
};

}  // namespace chart_mouse
