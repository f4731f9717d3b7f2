// A line chart with one series of y values drawn against their position (0, 1, 2, ...).
//
// The chart offers what its window needs: repaint, clear, append, copy to the clipboard, zoom with
// a left-button drag, pan with a right-button drag (see ChartMouseHandler), the same by keys, and
// printing. Screen,
// clipboard and printer all draw through the plot's layers; Render() is the one entry for drawing
// the chart onto any painter at a chosen layout size. Large series stay interactive because the
// line is thinned out for display only (adaptive sampling); the points themselves are kept.
#pragma once

#include <qcustomplot.h>
#include <QColor>
#include <QFont>
#include <QString>
#include <optional>
#include <vector>

#include "charts/ChartPrintLayout.h"

class ChartMouseHandler;
class ChartPanel;
class QPrinter;

struct LineChartLook {
  QString title;
  QFont titleFont;
  QColor titleColor;
  QColor gradientBottom;
  QColor gradientTop;
  QColor frameColor;
  QString bottomAxisTitle;
  QString leftAxisTitle;
  QFont axisTitleFont;
  QColor axisTitleColor;
  double leftMinimum = 0.0;
  double leftMaximum = 1.0;
  QString seriesName;
  QColor seriesColor;
  int seriesWidth = 1;
};

class LineChart : public QCustomPlot {
  Q_OBJECT
 public:
  explicit LineChart(QWidget* parent = nullptr);

  void ApplyLook(const LineChartLook& look);

  // Redraws the chart now.
  void Repaint();
  // Removes every point of the series.
  void Clear();
  // Adds a point with y = `value` and x = the number of points held before.
  void Append(double value);
  // Replaces the points with (x[i], y[i]); `x` ascends.
  void SetPoints(const std::vector<double>& x, const std::vector<double>& y);
  // Breaks the line at `x`, between two points: time in which nothing was recorded is not drawn
  // as if it had been. A break is no point: PointCount() and Append() leave it out.
  void BreakLineAt(double x);

  // Puts a picture of the chart, at its size on screen, on the clipboard.
  void CopyToClipboard();
  // The picture that CopyToClipboard() puts on the clipboard.
  QImage RenderImage();

  // Prints the chart on one page of `printer`; throws std::runtime_error when printing cannot
  // start. The print preview draws its pages through this too.
  void PrintTo(QPrinter& printer, const ChartPrintOptions& options = {});
  // Draws the chart on a page (in the painter's device pixels) as PrintTo() does; returns where it
  // went (empty when the margins leave no room).
  QRectF PaintOnPage(QPainter& painter, const QRectF& page, const ChartPrintOptions& options);

  // Draws the chart laid out at `layoutSize` with the painter's origin as its top left corner.
  void Render(QCPPainter& painter, const QSize& layoutSize);

  // Zooms both axes to the rectangle between two widget points.
  void ZoomToPixels(const QPoint& from, const QPoint& to);
  // Moves the view so that the drawing follows the mouse by (dx, dy) pixels.
  void PanByPixels(int dx, int dy);
  // Zooms both axes about the view's centre: `factor` below 1 in, above 1 out.
  void ZoomAboutCentre(double factor);
  // Restores the standard view, the one from before the first zoom or pan (the bottom axis fitted
  // to the points again); does nothing while the view has not been moved.
  void RestoreStandardView();
  // Fits the bottom axis to the points' first and last x over every line the chart draws, or to
  // x ± `lonePointHalfWidth` around a lone point, and keeps it fitted as points come and when a
  // zoom or pan is undone: the standard view on any bottom axis (sample numbers or time stamps).
  // Drops a zoom or pan, the left axis back to its range from before it.
  void FitBottomToData(double lonePointHalfWidth);
  // True after a zoom or a pan, until the standard view is restored.
  bool isViewMoved() const { return standardView_.has_value(); }

  QCPGraph* series() const { return series_; }
  // The points held, breaks left out.
  int PointCount() const;
  ChartPanel* panel() const { return panel_; }
  QCPTextElement* titleElement() const { return title_; }
  ChartMouseHandler* mouseHandler() const { return mouse_; }

 protected:
  // The keys: + and - zoom in and out, the arrows move the view by a quarter of it, Home goes back
  // to the standard view.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct View {
    QCPRange bottom;
    QCPRange left;
    bool bottomFollowsData = true;
  };

  // Fits the bottom axis to the points while the operator has not moved the view.
  void FollowData();
  // Keeps the view as it stands, unless one is already kept: called before a zoom or a pan.
  void KeepStandardView();

  QCPGraph* series_;
  ChartPanel* panel_;
  QCPTextElement* title_;
  ChartMouseHandler* mouse_;
  bool bottomFollowsData_ = true;
  double lonePointHalfWidth_ = 1.0;  // see FitBottomToData()
  int breaks_ = 0;                   // points of the series that only break its line
  std::optional<View> standardView_;
};
