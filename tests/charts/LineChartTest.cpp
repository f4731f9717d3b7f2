// The line chart on a real widget: points, mouse and key zoom and pan, clipboard picture, printing
// to PDF.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QRubberBand>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "charts/ChartMouseHandler.h"
#include "charts/LineChart.h"

namespace {

class LineChartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chart.resize(527, 201);
    LineChartLook look;
    look.title = QStringLiteral("TEMPERATURA");
    look.titleFont = QFont(QStringLiteral("Arial"), 10, QFont::Bold);
    look.titleColor = Qt::blue;
    look.leftMinimum = -10;
    look.leftMaximum = 45;
    look.seriesColor = Qt::red;
    look.seriesWidth = 2;
    chart.ApplyLook(look);
    for (double y : {1.0, 5.0, 3.0, 20.0, -4.0}) chart.Append(y);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    chart.Repaint();
  }

  // A point inside the plotting area, offset from its top left corner.
  QPoint InPlot(int dx, int dy) const { return chart.axisRect()->topLeft() + QPoint(dx, dy); }

  void Drag(Qt::MouseButton button, QPoint from, QPoint to) {
    QTest::mousePress(&chart, button, Qt::NoModifier, from);
    QTest::mouseMove(&chart, (from + to) / 2);
    QTest::mouseMove(&chart, to);
    QTest::mouseRelease(&chart, button, Qt::NoModifier, to);
  }

  LineChart chart;
};

void ExpectRange(const QCPRange& range, double lower, double upper) {
  EXPECT_NEAR(range.lower, lower, 1e-9);
  EXPECT_NEAR(range.upper, upper, 1e-9);
}

TEST_F(LineChartTest, AppendedPointsTakeTheirPositionAsXAndClearEmpties) {
  ASSERT_EQ(chart.PointCount(), 5);
  const double ys[] = {1.0, 5.0, 3.0, 20.0, -4.0};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(chart.series()->data()->at(i)->key, double(i));
    EXPECT_EQ(chart.series()->data()->at(i)->value, ys[i]);
  }
  ExpectRange(chart.xAxis->range(), 0, 4);
  ExpectRange(chart.yAxis->range(), -10, 45);  // values never move the left axis
  chart.Clear();
  EXPECT_EQ(chart.PointCount(), 0);
  chart.Append(7.0);
  EXPECT_EQ(chart.series()->data()->at(0)->key, 0.0);
}

TEST_F(LineChartTest, BottomLabelsAreWholeSampleNumbersEvenWhenZoomedIn) {
  chart.xAxis->setRange(0.3, 2.7);
  chart.Repaint();
  ASSERT_FALSE(chart.xAxis->tickVector().isEmpty());
  for (double tick : chart.xAxis->tickVector()) EXPECT_EQ(tick, std::round(tick));
  for (const QString& label : chart.xAxis->tickVectorLabels()) {
    EXPECT_FALSE(label.contains(QLatin1Char(','))) << label.toStdString();
    EXPECT_FALSE(label.contains(QLatin1Char('.'))) << label.toStdString();
  }
}

TEST_F(LineChartTest, LeftDragRightAndDownZoomsBothAxesToTheRectangle) {
  const QPoint from = InPlot(40, 20);
  const QPoint to = InPlot(200, 120);
  const QCPRange bottom(chart.xAxis->pixelToCoord(from.x()), chart.xAxis->pixelToCoord(to.x()));
  const QCPRange left(chart.yAxis->pixelToCoord(to.y()), chart.yAxis->pixelToCoord(from.y()));

  QTest::mousePress(&chart, Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(&chart, to);
  EXPECT_TRUE(chart.mouseHandler()->rubberBand()->isVisible());
  EXPECT_EQ(chart.mouseHandler()->rubberBand()->geometry(), QRect(from, to).normalized());
  QTest::mouseRelease(&chart, Qt::LeftButton, Qt::NoModifier, to);
  EXPECT_FALSE(chart.mouseHandler()->rubberBand()->isVisible());

  ExpectRange(chart.xAxis->range(), bottom.lower, bottom.upper);
  ExpectRange(chart.yAxis->range(), left.lower, left.upper);
  EXPECT_EQ(chart.PointCount(), 5);  // only the view changed
}

// Without a mouse: + and - zoom about the centre, the arrows move by a quarter, Home undoes it all,
// and a break in the line is no point.
TEST_F(LineChartTest, KeysZoomAndMoveTheViewAndHomeRestoresIt) {
  chart.setFocus();
  QTest::keyClick(&chart, Qt::Key_Plus);
  ExpectRange(chart.xAxis->range(), 1, 3);
  ExpectRange(chart.yAxis->range(), 3.75, 31.25);
  QTest::keyClick(&chart, Qt::Key_Right);
  EXPECT_NEAR(chart.xAxis->range().lower, 1.5, 0.02);
  QTest::keyClick(&chart, Qt::Key_Minus);
  EXPECT_NEAR(chart.xAxis->range().size(), 4, 1e-9);
  QTest::keyClick(&chart, Qt::Key_Home);
  ExpectRange(chart.xAxis->range(), 0, 4);
  ExpectRange(chart.yAxis->range(), -10, 45);
  EXPECT_FALSE(chart.isViewMoved());
  chart.BreakLineAt(4.5);
  chart.Append(2.0);
  EXPECT_EQ(chart.PointCount(), 6);
  EXPECT_EQ(chart.series()->data()->at(6)->key, 5.0);
  // Refitting the bottom axis after a zoom (another axis, new points) brings the left one back.
  QTest::keyClick(&chart, Qt::Key_Plus);
  chart.FitBottomToData(1.0);
  ExpectRange(chart.yAxis->range(), -10, 45);
}

TEST_F(LineChartTest, ZoomThresholdsAndRestoreToTheViewBeforeTheFirstZoom) {
  const QCPRange bottom0 = chart.xAxis->range();
  const QCPRange left0 = chart.yAxis->range();

  // 16 pixels or less in either direction does nothing, whatever the direction.
  const std::pair<QPoint, QPoint> short_drags[] = {
      {InPlot(40, 20), InPlot(50, 120)},
      {InPlot(40, 20), InPlot(200, 36)},
      {InPlot(200, 120), InPlot(190, 20)},
      {InPlot(40, 20), InPlot(56, 36)},
  };
  for (const auto& [from, to] : short_drags) {
    Drag(Qt::LeftButton, from, to);
    ExpectRange(chart.xAxis->range(), bottom0.lower, bottom0.upper);
    ExpectRange(chart.yAxis->range(), left0.lower, left0.upper);
  }

  // Two zooms, one inside the other, then one drag up and left restores the original view.
  Drag(Qt::LeftButton, InPlot(40, 20), InPlot(300, 140));
  Drag(Qt::LeftButton, InPlot(10, 10), InPlot(100, 60));
  EXPECT_TRUE(chart.isViewMoved());
  Drag(Qt::LeftButton, InPlot(200, 120), InPlot(100, 20));
  EXPECT_FALSE(chart.isViewMoved());
  ExpectRange(chart.xAxis->range(), bottom0.lower, bottom0.upper);
  ExpectRange(chart.yAxis->range(), left0.lower, left0.upper);

  // Each other direction also restores: right and up, left and down.
  for (const auto& [from, to] :
       {std::pair{InPlot(40, 120), InPlot(200, 20)}, std::pair{InPlot(200, 20), InPlot(40, 120)}}) {
    Drag(Qt::LeftButton, InPlot(40, 20), InPlot(300, 140));
    Drag(Qt::LeftButton, from, to);
    ExpectRange(chart.xAxis->range(), bottom0.lower, bottom0.upper);
    ExpectRange(chart.yAxis->range(), left0.lower, left0.upper);
  }

  // With a modifier key the left button does not zoom.
  QTest::mousePress(&chart, Qt::LeftButton, Qt::ShiftModifier, InPlot(40, 20));
  QTest::mouseRelease(&chart, Qt::LeftButton, Qt::ShiftModifier, InPlot(300, 140));
  EXPECT_FALSE(chart.isViewMoved());
}

TEST_F(LineChartTest, RightDragPansBothAxesWithTheMouse) {
  const QCPRange bottom0 = chart.xAxis->range();
  const QCPRange left0 = chart.yAxis->range();
  const QPoint from = InPlot(100, 50);
  const QPoint to = InPlot(160, 90);  // right and down: the drawing follows
  const double dx = chart.xAxis->pixelToCoord(to.x()) - chart.xAxis->pixelToCoord(from.x());
  const double dy = chart.yAxis->pixelToCoord(to.y()) - chart.yAxis->pixelToCoord(from.y());
  Drag(Qt::RightButton, from, to);

  ExpectRange(chart.xAxis->range(), bottom0.lower - dx, bottom0.upper - dx);
  ExpectRange(chart.yAxis->range(), left0.lower - dy, left0.upper - dy);
  EXPECT_GT(chart.yAxis->range().lower, left0.lower);  // view moved up the value axis
  EXPECT_LT(chart.xAxis->range().lower, bottom0.lower);
  EXPECT_TRUE(chart.isViewMoved());
  EXPECT_EQ(chart.PointCount(), 5);
  EXPECT_FALSE(chart.mouseHandler()->rubberBand()->isVisible());

  // New points no longer move the bottom axis once the operator has placed the view.
  const QCPRange panned = chart.xAxis->range();
  chart.Append(1.0);
  ExpectRange(chart.xAxis->range(), panned.lower, panned.upper);
}

// Regression: the view was kept only at the first zoom, so after a pan the unzoom drag brought back
// the panned view, or nothing at all.
TEST_F(LineChartTest, UnzoomDragAfterAPanBringsBackTheStandardView) {
  const QCPRange bottom0 = chart.xAxis->range();
  const QCPRange left0 = chart.yAxis->range();
  const QPoint zoomFrom = InPlot(40, 20), zoomTo = InPlot(300, 140);
  const QPoint unzoomFrom = InPlot(200, 120), unzoomTo = InPlot(100, 20);
  const QPoint panFrom = InPlot(100, 50), panTo = InPlot(160, 90);
  const std::vector<std::vector<std::pair<QPoint, QPoint>>> sequences = {
      {{panFrom, panTo}},                      // pan only
      {{panFrom, panTo}, {zoomFrom, zoomTo}},  // pan, then zoom
      {{zoomFrom, zoomTo}, {panFrom, panTo}},  // zoom, then pan
  };
  for (std::size_t i = 0; i < sequences.size(); ++i) {
    SCOPED_TRACE(i);
    for (const auto& [from, to] : sequences[i])
      Drag(from == panFrom ? Qt::RightButton : Qt::LeftButton, from, to);
    ASSERT_TRUE(chart.isViewMoved());
    Drag(Qt::LeftButton, unzoomFrom, unzoomTo);
    EXPECT_FALSE(chart.isViewMoved());
    ExpectRange(chart.xAxis->range(), bottom0.lower, bottom0.upper);
    ExpectRange(chart.yAxis->range(), left0.lower, left0.upper);
  }
  // Back in the standard view the bottom axis follows new points again.
  chart.Append(2.0);
  ExpectRange(chart.xAxis->range(), 0, 5);
}

TEST_F(LineChartTest, CopyPutsAPictureOfTheOnScreenSizeOnTheClipboard) {
  QGuiApplication::clipboard()->clear();
  chart.CopyToClipboard();
  const QImage image = QGuiApplication::clipboard()->image();
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(527, 201));
  // The panel's gradient makes up the background: opaque, light cyan-ish at the bottom middle.
  const QColor inside = image.pixelColor(263, 195);
  EXPECT_EQ(inside.alpha(), 255);
  // The frame's border line, all round.
  for (QPoint corner : {QPoint(0, 0), QPoint(526, 200), QPoint(263, 200), QPoint(526, 100)}) {
    EXPECT_EQ(image.pixelColor(corner), QColor(0, 0, 0)) << corner.x() << "," << corner.y();
  }
}

TEST_F(LineChartTest, PrintingToAPdfPrinterWritesAPdfAndKeepsTheScreenLayout) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QRect plotBefore = chart.axisRect()->rect();
  for (bool proportional : {true, false}) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString path = dir.filePath(proportional ? "p.pdf" : "f.pdf");
    printer.setOutputFileName(path);
    ChartPrintOptions options;
    options.proportional = proportional;
    options.detail = proportional ? 0 : 100;
    chart.PrintTo(printer, options);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF-"));
    EXPECT_GT(file.size(), 1000);
  }
  // Mouse positions must still map as on screen after drawing at page size.
  EXPECT_EQ(chart.axisRect()->rect(), plotBefore);
}

TEST_F(LineChartTest, OnAPrinterResolutionPageTheChartKeepsItsPlaceAndItsProportions) {
  // A landscape page at 300 dots per inch, four times the usual screen resolution.
  QImage page(3300, 2550, QImage::Format_RGB32);
  page.setDotsPerMeterX(qRound(300 / 0.0254));
  page.setDotsPerMeterY(qRound(300 / 0.0254));
  for (int detail : {0, 100}) {
    page.fill(Qt::white);
    ChartPrintOptions options;
    options.detail = detail;
    QPainter painter(&page);
    const QRect target = chart.PaintOnPage(painter, page.rect(), options).toAlignedRect();
    painter.end();
    ASSERT_FALSE(target.isEmpty());

    // Nothing outside the target; the frame's dark border line at its corners.
    int outside = 0;
    int titleLeft = page.width();
    int titleRight = -1;
    const QRect margin = target.adjusted(-2, -2, 2, 2);
    // Inside the frame (6 screen pixels wide), top half: where the title goes.
    const int frame = target.width() / 40;
    const QRect titleArea = target.adjusted(frame, frame, -frame, -target.height() / 2);
    for (int y = 0; y < page.height(); ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
      for (int x = 0; x < page.width(); ++x) {
        const QRgb pixel = line[x];
        if (!margin.contains(x, y) && pixel != qRgb(255, 255, 255)) ++outside;
        // Title text: saturated blue, away from the blue frame.
        if (titleArea.contains(x, y) && qBlue(pixel) > 200 && qRed(pixel) < 60 &&
            qGreen(pixel) < 60) {
          titleLeft = std::min(titleLeft, x);
          titleRight = std::max(titleRight, x);
        }
      }
    }
    EXPECT_EQ(outside, 0) << "detail " << detail;
    EXPECT_EQ(page.pixelColor(target.topLeft() + QPoint(2, 2)), QColor(Qt::black));
    EXPECT_EQ(page.pixelColor(target.bottomRight() - QPoint(2, 2)), QColor(Qt::black));
    // Text keeps its size relative to the chart (the title takes about a fifth of the width, as on
    // screen) instead of growing with the printer's resolution.
    ASSERT_GE(titleRight, titleLeft) << "no title drawn, detail " << detail;
    EXPECT_LT(titleRight - titleLeft, target.width() / 3) << "detail " << detail;
  }
}

TEST_F(LineChartTest, PrintingThatCannotStartThrows) {
  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("missing-folder/chart.pdf"));
  EXPECT_THROW(chart.PrintTo(printer), std::runtime_error);
}

TEST(LineChartLarge, HundredThousandPointsAreKeptWhileDrawingIsThinnedOut) {
  LineChart chart;
  chart.resize(527, 201);
  for (int i = 0; i < 100000; ++i) chart.Append(20.0 + 10.0 * std::sin(i / 500.0));
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  chart.Repaint();
  EXPECT_TRUE(chart.series()->adaptiveSampling());
  ASSERT_EQ(chart.PointCount(), 100000);
  EXPECT_EQ(chart.series()->data()->at(99999)->key, 99999.0);
  EXPECT_DOUBLE_EQ(chart.series()->data()->at(99999)->value, 20.0 + 10.0 * std::sin(99999 / 500.0));
  EXPECT_EQ(chart.xAxis->range().upper, 99999.0);
}

}  // namespace
