// The connect switch worked from the keyboard and its caption's size, the channel figures clear of
// their frame, captions fitted to their boxes and drawn at their size, and segment figures copied
// from kept pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPicture>
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

// Segment figures on a widget are copied from pictures kept per character and place; on a printer
// they are drawn as shapes. Both must give the same pixels, at whole and fractional places, with
// and without the unlit segments, the second time (copied) as the first (drawn into the picture).
TEST(SegmentFigures, CopiedCellsMatchTheDrawnShapes) {
  const QString text = QStringLiteral("-12:34,5/06.7 8");
  for (const QRectF box : {QRectF(3, 2, 150, 30), QRectF(2.37, 1.61, 121.3, 24.9)}) {
    for (const QColor off : {QColor(0, 60, 0), QColor()}) {
      SCOPED_TRACE(box.left());
      auto render = [&](bool copied) {
        QImage image(160, 36, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter painter(&image);
        if (copied) {
          DrawSegmentText(painter, box, text, Qt::green, off, Qt::AlignHCenter);
        } else {
          QPicture shapes;  // not a raster surface: the shapes themselves are recorded
          QPainter recorder(&shapes);
          DrawSegmentText(recorder, box, text, Qt::green, off, Qt::AlignHCenter);
          recorder.end();
          painter.drawPicture(0, 0, shapes);
        }
        return image;
      };
      const QImage drawn = render(false);
      for (int pass = 0; pass < 2; ++pass) {
        const QImage copied = render(true);
        int worst = 0;
        for (int y = 0; y < drawn.height(); ++y) {
          for (int x = 0; x < drawn.width(); ++x) {
            const QRgb a = drawn.pixel(x, y), b = copied.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
          }
        }
        // Antialiased edges composed in a picture first round a little differently; a cell out of
        // place by a quarter of a pixel differs by far more.
        EXPECT_LE(worst, 8) << "pass " << pass;
      }
    }
  }
}

// An unhinted caption drawn through a scaled painter from the reference size (no new font loaded)
// lands where the same font loaded at the asked size puts it: same ink box within a pixel, similar
// ink. Fitted sizes below and above the font's own, and a font of another size drawn at its own.
TEST(FittedCaptions, ScaledDrawingMatchesTheFittedSize) {
  const QString text = QStringLiteral("DATOS REPORTADOS POR EL LOGGER");
  const QRectF box(4.5, 3, 170, 20);
  const struct { int own, size; } cases[] = {{11, 8}, {11, 9}, {11, 14}, {15, 15}};
  for (const auto& each : cases) {
    const int own = each.own, size = each.size;  // named copies: lambdas below capture them
    SCOPED_TRACE(testing::Message() << own << " px drawn at " << size << " px");
    QFont base;
    base.setPixelSize(own);
    base.setBold(true);
    base.setItalic(own == 15);
    base.setHintingPreference(QFont::PreferNoHinting);
    auto render = [&](bool scaled) {
      QImage image(180, 26, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::black);
      QPainter painter(&image);
      painter.setPen(Qt::white);
      if (scaled) {
        DrawTextAtSize(painter, base, size, box, Qt::AlignLeft | Qt::AlignVCenter, text);
      } else {
        QFont sized = base;
        sized.setPixelSize(size);
        painter.setFont(sized);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
      }
      return image;
    };
    auto ink = [](const QImage& image, long& total) {
      QRect inked;
      total = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
          if (const int v = qGray(image.pixel(x, y)); v > 64) {
            inked |= QRect(x, y, 1, 1);
            total += v;
          }
      return inked;
    };
    long scaledInk = 0, sizedInk = 0;
    const QRect scaled = ink(render(true), scaledInk);
    const QRect sized = ink(render(false), sizedInk);
    ASSERT_FALSE(sized.isEmpty());
    EXPECT_LE(std::abs(scaled.left() - sized.left()), 1);
    EXPECT_LE(std::abs(scaled.right() - sized.right()), 1);
    EXPECT_LE(std::abs(scaled.top() - sized.top()), 1);
    EXPECT_LE(std::abs(scaled.bottom() - sized.bottom()), 1);
    EXPECT_NEAR(static_cast<double>(scaledInk) / sizedInk, 1.0, 0.1);
    // Measured as drawn: the width a font loaded at that size gives, within a pixel.
    QFont atSize = base;
    atSize.setPixelSize(size);
    EXPECT_NEAR(TextExtent(atSize, text).width(), QFontMetricsF(atSize).horizontalAdvance(text),
                1.0);
  }
}

}  // namespace
