// The connect switch worked from the keyboard and its caption's size, the channel figures clear of
// their frame, and captions fitted to their boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include "widgets/InstrumentPainting.h"
#include "widgets/RockerSwitch.h"
#include "widgets/ValueIndicator.h"

namespace {

TEST(RockerSwitchKeyboard, TakesFocusAndSpaceClicksOnceEvenWhenHeld) {
  RockerSwitch rocker;
  rocker.resize(91, 85);
  rocker.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&rocker));
  EXPECT_NE(rocker.focusPolicy() & Qt::TabFocus, 0);
  rocker.setFocus();
  ASSERT_TRUE(rocker.hasFocus());
  QSignalSpy clicks(&rocker, &RockerSwitch::clicked);
  QSignalSpy releases(&rocker, &RockerSwitch::released);

  QTest::keyPress(&rocker, Qt::Key_Space);
  EXPECT_TRUE(rocker.isOn());  // flips on the press, as with the mouse
  QTest::keyPress(&rocker, Qt::Key_Space, Qt::NoModifier, -1);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QString(" "), true);
  QApplication::sendEvent(&rocker, &repeat);
  EXPECT_TRUE(rocker.isOn());
  EXPECT_EQ(clicks.count(), 0);
  QTest::keyRelease(&rocker, Qt::Key_Space);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(releases.count(), 1);

  // Other keys do nothing.
  QTest::keyClick(&rocker, Qt::Key_A);
  QTest::keyClick(&rocker, Qt::Key_Return);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_TRUE(rocker.isOn());
}

TEST(RockerSwitchCaption, KeepsItsSizeBetweenCaptions) {
  RockerSwitch rocker;
  rocker.resize(91, 85);
  rocker.setCaptionTexts({QStringLiteral("CONECTAR"), QStringLiteral("DESCONECTAR")});
  rocker.setText(QStringLiteral("CONECTAR"));
  const QFont off = rocker.captionFont();
  rocker.setText(QStringLiteral("DESCONECTAR"));
  const QFont on = rocker.captionFont();
  EXPECT_EQ(off.pixelSize(), on.pixelSize());
  // And the longer one still fits the switch's width.
  EXPECT_LE(QFontMetricsF(on).horizontalAdvance(QStringLiteral("DESCONECTAR")), 91);
}

TEST(FittedFont, LargestSizeThatFitsEveryLine) {
  QFont base;
  base.setPixelSize(12);
  for (const QString& text : {QStringLiteral("CANALES EN LINEA"), QStringLiteral("NIVEL\n\"OK\""),
                              QStringLiteral("W"), QStringLiteral("DESCONECTAR DESCONECTAR")}) {
    for (const QSizeF box : {QSizeF(91, 17), QSizeF(40, 30), QSizeF(200, 12)}) {
      SCOPED_TRACE(text.toStdString());
      const QFont fitted = FittedFont(base, text, box);
      const QStringList lines = text.split('\n');
      auto widest = [&](const QFont& font) {
        qreal w = 0;
        for (const QString& line : lines)
          w = std::max(w, QFontMetricsF(font).horizontalAdvance(line));
        return w;
      };
      if (fitted.pixelSize() > 4) {
        EXPECT_LE(widest(fitted), box.width());
      }
      EXPECT_LE(fitted.pixelSize(), static_cast<int>(box.height() / lines.size()));
      // Asked again, the same answer (it is kept).
      EXPECT_EQ(FittedFont(base, text, box).pixelSize(), fitted.pixelSize());
    }
  }
}

// Whether any pixel of `image` in columns [fromX, image width) and rows [fromY, toY) is lit green.
bool LitGreenIn(const QImage& image, int fromX, int fromY, int toY) {
  for (int y = fromY; y < toY; ++y) {
    for (int x = fromX; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.green() > 60 && c.red() < 60 && c.blue() < 60) return true;
    }
  }
  return false;
}

TEST(ValueIndicatorFigures, LastFigureClearOfTheRightBevel) {
  // Both sizes of the main window's channel displays, with the widest figures.
  for (const QSize size : {QSize(99, 34), QSize(78, 34)}) {
    ValueIndicator indicator;
    indicator.resize(size);
    indicator.setCaption(QStringLiteral("CANAL1"));
    indicator.setUnit(QStringLiteral("% RH"));
    indicator.setValue(188.8);
    const QImage image = indicator.grab().toImage();
    // The bevel is 5 % of the height; at least three dark columns must separate it from the
    // figures.
    const int bevel = std::max(1, static_cast<int>(size.height() * 0.05 + 0.5));
    SCOPED_TRACE(size.width());
    // Rows below the legend strip: the figures' whole height.
    EXPECT_FALSE(LitGreenIn(image, size.width() - bevel - 3, size.height() * 2 / 5, size.height()));
    // The figures are there at all.
    EXPECT_TRUE(LitGreenIn(image, size.width() / 2, size.height() / 2, size.height()));
  }
}

}  // namespace
