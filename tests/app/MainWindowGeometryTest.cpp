// Every control of the main window at its place and size, visible or hidden as at start.
#include <gtest/gtest.h>

#include <QStringList>
#include <QWidget>

#include "tests/app/MainWindowBench.h"

namespace {

struct Placement {
  const char* name;
  int left, top, width, height;  // -1: sized by its contents
  bool visible;
};

// Positions are within the client area.
constexpr Placement kControls[] = {
    {"AbColBitBtn1", 18, 5, 217, 33, true},
    {"Edit4", 27, 44, 91, 24, true},
    {"Edit3", 27, 72, 91, 24, true},
    {"AbValueInd1", 126, 45, 99, 34, true},
    {"AbValueInd2", 228, 45, 78, 34, true},
    {"AbColBitBtn7", 141, 84, 151, 24, false},
    {"Label1", 15, 108, -1, -1, true},
    {"RadioGroup1", 15, 126, 103, 109, true},
    {"AbVBar1", 153, 123, 125, 176, true},
    {"Label2", 12, 246, -1, -1, true},
    {"Edit1", 18, 270, 37, 24, true},
    {"Label3", 60, 276, -1, -1, true},
    {"AbColBitBtn3", 15, 312, 205, 33, true},
    {"Splitter1", 312, 0, 16, 361, true},
    {"AbColBitBtn4", 354, 5, 166, 33, true},
    {"Gauge1", 531, 6, 31, 28, false},
    {"CheckBox1", 360, 45, 157, 17, true},
    {"AbColBitBtn2", 390, 71, 112, 33, true},
    {"AbClock2", 402, 110, 91, 28, true},
    {"AbClock1", 402, 144, 101, -1, true},
    {"AbRockerSwitch1", 402, 177, 91, 85, true},
    {"AbColBitBtn5", 348, 273, 214, 33, true},
    {"AbColBitBtn6", 390, 315, 130, 33, true},
    {"RadioGroup2", 342, 297, 106, 55, false},
    {"RadioGroup3", 459, 297, 106, 55, false},
};

TEST(MainWindowGeometry, EveryControlAtItsPlace) {
  MainWindowBench bench;
  QWidget& main = bench.Main();
  for (const Placement& p : kControls) {
    SCOPED_TRACE(p.name);
    auto* control = main.findChild<QWidget*>(QString::fromLatin1(p.name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget(), &main);
    EXPECT_EQ(control->pos(), QPoint(p.left, p.top));
    if (p.width >= 0) {
      EXPECT_EQ(control->width(), p.width);
    }
    if (p.height >= 0) {
      EXPECT_EQ(control->height(), p.height);
    }
    EXPECT_EQ(control->isVisible(), p.visible);
    // Everything lies inside the window.
    EXPECT_TRUE(main.rect().contains(control->geometry())) << control->width();
  }
}

// Tab goes down the left panel, then down the right one, as the controls are laid out.
TEST(MainWindowGeometry, TabStopsFollowTheLayout) {
  MainWindowBench bench;
  QWidget& main = bench.Main();
  QWidget* start = main.findChild<QWidget*>(QStringLiteral("RadioGroup1"));
  ASSERT_NE(start, nullptr);
  QStringList order;
  for (QWidget* w = start->nextInFocusChain(); w != start && order.size() < 40;
       w = w->nextInFocusChain()) {
    if (w->parentWidget() == &main && w->isVisible() && (w->focusPolicy() & Qt::TabFocus))
      order << w->objectName();
  }
  const QStringList expected = {"AbColBitBtn3",  "AbColBitBtn4",    "CheckBox1",
                                "AbColBitBtn2",  "AbRockerSwitch1", "PortSetupButton",
                                "HistoryButton", "AbColBitBtn5",    "AbColBitBtn6"};
  QStringList known;
  for (const QString& name : order)
    if (expected.contains(name)) known << name;
  EXPECT_EQ(known, expected) << order.join(' ').toStdString();
}

}  // namespace
