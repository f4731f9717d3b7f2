#include <gtest/gtest.h>

#include <QDate>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <memory>
#include <set>

#include "widgets/ClockDisplay.h"
#include "widgets/ColorButton.h"
#include "widgets/GradientPanel.h"
#include "widgets/IndicatorLamp.h"
#include "widgets/LedBar.h"
#include "widgets/PieGauge.h"
#include "widgets/RockerSwitch.h"
#include "widgets/ValueIndicator.h"

namespace {

TEST(ValueIndicator, ShowsOneDecimalWithComma) {
  ValueIndicator indicator;
  indicator.setValue(76.048);
  EXPECT_EQ(indicator.valueText(), "76,0");
  indicator.setValue(-1.25);
  EXPECT_EQ(indicator.valueText(), "-1,3");
  indicator.setValue(0.04);
  EXPECT_EQ(indicator.valueText(), "0,0");
  indicator.setValue(std::nan(""));
  EXPECT_EQ(indicator.valueText(), "---");
  indicator.setValue(std::nan(""));  // a second NaN is no change and must not trip anything
  EXPECT_TRUE(std::isnan(indicator.value()));
}

TEST(LedBar, HoldsValueWithinRangeAndFormatsWholeNumbers) {
  LedBar bar;
  bar.setValue(75.9);
  EXPECT_EQ(bar.valueText(), "76");
  EXPECT_EQ(bar.litSegments(), 15);
  bar.setValue(150.0);
  EXPECT_EQ(bar.value(), 100.0);
  EXPECT_EQ(bar.valueText(), "100");
  EXPECT_EQ(bar.litSegments(), LedBar::kSegments);
  bar.setValue(-3.0);
  EXPECT_EQ(bar.value(), 0.0);
  EXPECT_EQ(bar.litSegments(), 0);
  bar.setValue(std::nan(""));
  EXPECT_EQ(bar.value(), 0.0);
  bar.setValue(2.4);
  EXPECT_EQ(bar.litSegments(), 0);
  bar.setValue(2.5);
  EXPECT_EQ(bar.litSegments(), 1);
}

TEST(PieGauge, KeepsProgressWithinMaximum) {
  PieGauge gauge;
  EXPECT_EQ(gauge.maximum(), 50);
  gauge.setProgress(60);
  EXPECT_EQ(gauge.progress(), 50);
  gauge.setProgress(-1);
  EXPECT_EQ(gauge.progress(), 0);
  gauge.setProgress(40);
  gauge.setMaximum(20);
  EXPECT_EQ(gauge.progress(), 20);
  gauge.setMaximum(0);
  EXPECT_EQ(gauge.maximum(), 1);
}

TEST(IndicatorLamp, FlashingLampAlternatesAndRestartsInOnPhase) {
  IndicatorLamp lamp;
  EXPECT_FALSE(lamp.lampVisibleNow());
  lamp.setFlashing(true);
  lamp.blinkStep();
  EXPECT_FALSE(lamp.lampVisibleNow()) << "an unlit lamp never shows light";

  lamp.setLit(true);
  EXPECT_TRUE(lamp.lampVisibleNow()) << "lighting starts with the on phase";
  lamp.blinkStep();
  EXPECT_FALSE(lamp.lampVisibleNow());
  lamp.blinkStep();
  EXPECT_TRUE(lamp.lampVisibleNow());
  lamp.blinkStep();

  lamp.setLit(false);
  lamp.setLit(true);
  EXPECT_TRUE(lamp.lampVisibleNow()) << "relighting in the off phase shows light at once";

  lamp.blinkStep();
  lamp.setFlashing(false);
  EXPECT_TRUE(lamp.lampVisibleNow()) << "a steady lit lamp shows light";
  lamp.blinkStep();
  EXPECT_TRUE(lamp.lampVisibleNow());
}

TEST(IndicatorLamp, OwnTimerBlinksTheLamp) {
  IndicatorLamp lamp;
  lamp.setLit(true);
  lamp.setFlashing(true);
  ASSERT_TRUE(lamp.lampVisibleNow());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !lamp.lampVisibleNow(); }, 5000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return lamp.lampVisibleNow(); }, 5000));
}

TEST(IndicatorLamp, TakesNoMouseInput) {
  IndicatorLamp lamp;
  EXPECT_TRUE(lamp.testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST(ColorButton, HeldButtonShowsPressedCaptionInLime) {
  ColorButton button;
  button.resize(120, 33);
  button.setTextOff("  DESCARGAR");
  button.setTextOn("    DESCARGAR");
  button.setTextColor(Qt::yellow);
  QSignalSpy clicks(&button, &QAbstractButton::clicked);

  EXPECT_EQ(button.shownText(), "  DESCARGAR");
  EXPECT_EQ(button.shownTextColor(), QColor(Qt::yellow));
  QTest::mousePress(&button, Qt::LeftButton);
  EXPECT_EQ(button.shownText(), "    DESCARGAR");
  EXPECT_EQ(button.shownTextColor(), QColor(0x00, 0xFF, 0x00));
  EXPECT_EQ(clicks.count(), 0);
  QTest::mouseRelease(&button, Qt::LeftButton);
  EXPECT_EQ(button.shownText(), "  DESCARGAR");
  EXPECT_EQ(clicks.count(), 1);
}

TEST(ColorButton, EmptyPressedCaptionShowsNothingWhileHeld) {
  ColorButton button;
  button.resize(112, 33);
  button.setTextOff("  PONER EN HORA");
  QTest::mousePress(&button, Qt::LeftButton);
  EXPECT_TRUE(button.shownText().isEmpty());
  QTest::mouseRelease(&button, Qt::LeftButton);
  EXPECT_EQ(button.shownText(), "  PONER EN HORA");
}

// Return and Enter click a focused button as Space does; a disabled one stays still.
TEST(ColorButton, ReturnAndEnterClickTheFocusedButton) {
  ColorButton button;
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  QTest::keyClick(&button, Qt::Key_Return);
  QTest::keyClick(&button, Qt::Key_Enter);
  EXPECT_EQ(clicks.count(), 2);
  button.setEnabled(false);
  QTest::keyClick(&button, Qt::Key_Return);
  EXPECT_EQ(clicks.count(), 2);
}

TEST(RockerSwitch, PressFlipsAndReleaseInsideClicks) {
  RockerSwitch rocker;
  rocker.resize(91, 85);
  QStringList order;
  QObject::connect(&rocker, &RockerSwitch::clicked, [&] { order << "clicked"; });
  QObject::connect(&rocker, &RockerSwitch::released, [&] { order << "released"; });

  QTest::mousePress(&rocker, Qt::LeftButton);
  EXPECT_TRUE(rocker.isOn()) << "the rocker moves as soon as it is pressed";
  EXPECT_TRUE(order.isEmpty());
  QTest::mouseRelease(&rocker, Qt::LeftButton);
  EXPECT_EQ(order, QStringList({"clicked", "released"}));
  EXPECT_TRUE(rocker.isOn());

  // The owner decides the final position; the next press flips from there.
  rocker.setOn(false);
  QTest::mousePress(&rocker, Qt::LeftButton);
  EXPECT_TRUE(rocker.isOn());
  QTest::mouseRelease(&rocker, Qt::LeftButton);
}

TEST(RockerSwitch, ReleaseAwayFromSwitchRestoresPositionWithoutClick) {
  RockerSwitch rocker;
  rocker.resize(91, 85);
  QSignalSpy clicks(&rocker, &RockerSwitch::clicked);
  QSignalSpy releases(&rocker, &RockerSwitch::released);
  QTest::mousePress(&rocker, Qt::LeftButton, {}, QPoint(40, 40));
  EXPECT_TRUE(rocker.isOn());
  QTest::mouseRelease(&rocker, Qt::LeftButton, {}, QPoint(300, 300));
  EXPECT_FALSE(rocker.isOn());
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_EQ(releases.count(), 1);
}

TEST(RockerSwitch, IgnoresOtherButtons) {
  RockerSwitch rocker;
  rocker.resize(91, 85);
  QSignalSpy clicks(&rocker, &RockerSwitch::clicked);
  QTest::mouseClick(&rocker, Qt::RightButton);
  EXPECT_FALSE(rocker.isOn());
  EXPECT_EQ(clicks.count(), 0);
}

TEST(ClockDisplay, ShowsFixedClockInBothModes) {
  ClockDisplay clock;
  clock.setClockSource([] { return QDateTime(QDate(2031, 2, 3), QTime(9, 5, 7)); });
  clock.setMode(ClockDisplay::Date);
  EXPECT_EQ(clock.text(), "03/02/2031");
  clock.setMode(ClockDisplay::Time);
  EXPECT_EQ(clock.text(), "09:05:07");
}

TEST(ClockDisplay, FollowsComputerClock) {
  ClockDisplay clock;
  clock.setMode(ClockDisplay::Time);
  const QString before = QTime::currentTime().toString("hh:mm:ss");
  const QString shown = clock.text();
  const QString after = QTime::currentTime().toString("hh:mm:ss");
  EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(shown).hasMatch())
      << shown.toStdString();
  EXPECT_TRUE(shown == before || shown == after) << shown.toStdString();

  clock.setMode(ClockDisplay::Date);
  EXPECT_TRUE(QRegularExpression("^\\d\\d/\\d\\d/\\d{4}$").match(clock.text()).hasMatch());
}

// Renders `widget` at `size` and counts its distinct colours: a drawn instrument has several.
int DistinctColours(QWidget& widget, QSize size) {
  widget.resize(size);
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  widget.render(&image);
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 1)
    for (int x = 0; x < image.width(); x += 1) colours.insert(image.pixel(x, y));
  return static_cast<int>(colours.size());
}

TEST(InstrumentRendering, EveryWidgetDrawsAtTwoSizes) {
  std::vector<std::unique_ptr<QWidget>> widgets;
  auto rocker = std::make_unique<RockerSwitch>();
  rocker->setText("CONECTAR");
  widgets.push_back(std::move(rocker));
  auto lamp = std::make_unique<IndicatorLamp>();
  lamp->setText(" DATOS REPORTADOS POR EL LOGGER");
  lamp->setLit(true);
  widgets.push_back(std::move(lamp));
  auto button = std::make_unique<ColorButton>();
  button->setTextOff("VER DATOS");
  button->setFaceGradient(Qt::blue, Qt::cyan);
  button->setBevelWidth(3);
  widgets.push_back(std::move(button));
  auto indicator = std::make_unique<ValueIndicator>();
  indicator->setCaption("CANAL1");
  indicator->setUnit("% RH");
  indicator->setValue(-12.34);
  widgets.push_back(std::move(indicator));
  auto bar = std::make_unique<LedBar>();
  bar->setCaption1("NIVEL DE BATERIA:");
  bar->setCaption2("\"OK\"");
  bar->setUnit("%");
  bar->setValue(30);
  widgets.push_back(std::move(bar));
  auto clock = std::make_unique<ClockDisplay>();
  clock->setMode(ClockDisplay::Date);
  widgets.push_back(std::move(clock));
  auto gauge = std::make_unique<PieGauge>();
  gauge->setProgress(20);
  widgets.push_back(std::move(gauge));
  auto panel = std::make_unique<GradientPanel>();
  panel->setColors(Qt::black, Qt::darkBlue);
  panel->setOrientation(Qt::Horizontal);
  widgets.push_back(std::move(panel));

  for (auto& widget : widgets) {
    const QSize hint = widget->sizeHint();
    ASSERT_FALSE(hint.isEmpty()) << widget->metaObject()->className();
    EXPECT_GT(DistinctColours(*widget, hint), 2) << widget->metaObject()->className();
    EXPECT_GT(DistinctColours(*widget, hint * 3), 2) << widget->metaObject()->className();
  }
}

TEST(InstrumentRendering, PanelWithoutGradientUsesWindowColour) {
  GradientPanel panel;
  panel.setColors(Qt::red, Qt::blue);
  panel.setGradientEnabled(false);
  panel.resize(40, 20);
  QImage image(panel.size(), QImage::Format_ARGB32);
  panel.render(&image);
  EXPECT_EQ(image.pixelColor(5, 5), panel.palette().color(QPalette::Window));
  EXPECT_EQ(image.pixelColor(35, 15), panel.palette().color(QPalette::Window));
}

TEST(InstrumentRendering, PieSliceGrowsClockwiseFromTop) {
  PieGauge gauge;
  gauge.resize(100, 100);
  gauge.setProgress(gauge.maximum() / 4);  // a quarter: twelve to three o'clock
  QImage image(gauge.size(), QImage::Format_ARGB32);
  gauge.render(&image);
  EXPECT_EQ(image.pixelColor(70, 30), gauge.foreColor());
  EXPECT_EQ(image.pixelColor(30, 30), gauge.backColor());
  EXPECT_EQ(image.pixelColor(70, 70), gauge.backColor());
}

}  // namespace
