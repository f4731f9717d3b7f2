// The widget-free parts of the charts: mouse rules, reading decimal-comma numbers, page placement.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "charts/ChartMouseRules.h"
#include "charts/ChartPrintLayout.h"

using namespace chart_mouse;

TEST(ChartMouseRules, ZoomDragIsClassifiedByLengthAndDirection) {
  struct Case {
    int dx, dy;
    ZoomOutcome expected;
  };
  const Case cases[] = {
      {10, 100, ZoomOutcome::kNothing},   {100, 10, ZoomOutcome::kNothing},
      {16, 16, ZoomOutcome::kNothing},    {16, 200, ZoomOutcome::kNothing},
      {-16, -200, ZoomOutcome::kNothing}, {0, 0, ZoomOutcome::kNothing},
      {17, 17, ZoomOutcome::kZoom},       {300, 150, ZoomOutcome::kZoom},
      {-17, -17, ZoomOutcome::kRestore},  {17, -17, ZoomOutcome::kRestore},
      {-17, 17, ZoomOutcome::kRestore},   {-100, -10, ZoomOutcome::kNothing},
  };
  for (const Case& c : cases) {
    const Point press{200, 100};
    EXPECT_EQ(ClassifyZoomDrag(press, {press.x + c.dx, press.y + c.dy}), c.expected)
        << "drag " << c.dx << "," << c.dy;
  }
}

TEST(ChartMouseRules, OnlyUnmodifiedLeftAndRightButtonsStartGestures) {
  ChartMouseRules rules;
  EXPECT_EQ(rules.Press(Button::kOther, false, {1, 1}), Gesture::kNone);
  EXPECT_EQ(rules.Press(Button::kLeft, true, {1, 1}), Gesture::kNone);
  EXPECT_EQ(rules.Press(Button::kRight, true, {1, 1}), Gesture::kNone);
  EXPECT_EQ(rules.Press(Button::kLeft, false, {1, 1}), Gesture::kZoom);
  // A second button during the drag neither restarts nor ends it.
  EXPECT_EQ(rules.Press(Button::kRight, false, {50, 50}), Gesture::kZoom);
  EXPECT_EQ(rules.Release(Button::kRight, {60, 60}), ZoomOutcome::kNothing);
  EXPECT_EQ(rules.gesture(), Gesture::kZoom);
  EXPECT_EQ(rules.pressPoint(), (Point{1, 1}));
  EXPECT_EQ(rules.Release(Button::kLeft, {100, 100}), ZoomOutcome::kZoom);
  EXPECT_EQ(rules.gesture(), Gesture::kNone);
}

TEST(ChartMouseRules, PanReportsStepsAndNeverZooms) {
  ChartMouseRules rules;
  EXPECT_EQ(rules.Move({5, 5}), (Point{0, 0}));  // no gesture: no step
  ASSERT_EQ(rules.Press(Button::kRight, false, {10, 10}), Gesture::kPan);
  EXPECT_EQ(rules.Move({15, 7}), (Point{5, -3}));
  EXPECT_EQ(rules.Move({15, 7}), (Point{0, 0}));
  EXPECT_EQ(rules.Move({-20, 40}), (Point{-35, 33}));
  // A long right-and-down drag is still only a pan.
  EXPECT_EQ(rules.Release(Button::kRight, {300, 300}), ZoomOutcome::kNothing);
  EXPECT_EQ(rules.gesture(), Gesture::kNone);
}

TEST(ChartMouseRules, CancelForgetsTheRunningGesture) {
  ChartMouseRules rules;
  rules.Press(Button::kLeft, false, {0, 0});
  rules.Cancel();
  EXPECT_EQ(rules.Release(Button::kLeft, {100, 100}), ZoomOutcome::kNothing);
  EXPECT_EQ(rules.Press(Button::kRight, false, {0, 0}), Gesture::kPan);
}

TEST(ChartPrintLayout, ProportionalKeepsTheScreenShapeCentredAtTheTop) {
  ChartPrintOptions options;  // 10 % margins
  const QRectF page(0, 0, 1000, 1000);
  const ChartPrintPlacement placed = PlaceChartOnPage(page, 2.0, QSizeF(500, 200), options);
  EXPECT_DOUBLE_EQ(placed.target.width(), 800.0);
  EXPECT_DOUBLE_EQ(placed.target.height(), 320.0);
  EXPECT_DOUBLE_EQ(placed.target.left(), 100.0);
  EXPECT_DOUBLE_EQ(placed.target.top(), 100.0);
  // Detail 0: laid out exactly at the screen size.
  EXPECT_NEAR(placed.logicalSize.width(), 500.0, 1e-9);
  EXPECT_NEAR(placed.logicalSize.height(), 200.0, 1e-9);

  options.detail = 100;  // laid out at the page size measured in screen pixels
  const ChartPrintPlacement detailed = PlaceChartOnPage(page, 2.0, QSizeF(500, 200), options);
  EXPECT_NEAR(detailed.logicalSize.width(), 400.0, 1e-9);
  EXPECT_NEAR(detailed.logicalSize.height(), 160.0, 1e-9);
}

TEST(ChartPrintLayout, NonProportionalFillsTheMarginsAndBadInputsGiveNothing) {
  ChartPrintOptions options;
  options.proportional = false;
  options.leftMarginPercent = 5;
  options.rightMarginPercent = 15;
  options.topMarginPercent = 20;
  options.bottomMarginPercent = 0;
  const ChartPrintPlacement placed =
      PlaceChartOnPage(QRectF(0, 0, 1000, 500), 1.0, QSizeF(527, 201), options);
  EXPECT_EQ(placed.target, QRectF(50, 100, 800, 400));
  EXPECT_FALSE(placed.isEmpty());

  options.leftMarginPercent = 60;
  options.rightMarginPercent = 60;
  EXPECT_TRUE(PlaceChartOnPage(QRectF(0, 0, 1000, 500), 1.0, QSizeF(527, 201), options).isEmpty());
  EXPECT_TRUE(PlaceChartOnPage(QRectF(0, 0, 1000, 500), 1.0, QSizeF(0, 0), {}).isEmpty());
  EXPECT_TRUE(PlaceChartOnPage(QRectF(), 1.0, QSizeF(527, 201), {}).isEmpty());
}
