// Where a chart goes on a printed page and at what size it is laid out there.
//
// The margins are per cent of the page's width (left, right) and height (top, bottom). With
// proportional printing the chart keeps its on-screen shape inside the margins, centred
// horizontally and at the top; otherwise it fills the space inside the margins. The level of detail
// (0..100) chooses the size the chart is laid out at: 0 lays it out at its on-screen size and
// enlarges that picture to the page, so it looks like the screen; 100 lays it out at the page
// size in screen pixels, so fonts and lines keep their screen size and the axes get more labels.
#pragma once

#include <QRectF>
#include <QSizeF>

struct ChartPrintOptions {
  double leftMarginPercent = 10.0;
  double topMarginPercent = 10.0;
  double rightMarginPercent = 10.0;
  double bottomMarginPercent = 10.0;
  bool proportional = true;
  int detail = 0;  // 0..100
};

struct ChartPrintPlacement {
  QRectF target;       // where the chart goes, in device pixels of the page
  QSizeF logicalSize;  // the size the chart is laid out at (before scaling to `target`)
  bool isEmpty() const { return target.width() < 1.0 || target.height() < 1.0; }
};

// `page` is the printable page in device pixels, `devicePerScreenPixel` the number of device pixels
// that make up one screen pixel of the same physical size, `screenSize` the chart's size on screen.
ChartPrintPlacement PlaceChartOnPage(const QRectF& page, double devicePerScreenPixel,
                                     const QSizeF& screenSize, const ChartPrintOptions& options);
