#include "charts/LineChart.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPicture>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "charts/ChartMouseHandler.h"
#include "charts/ChartPanel.h"

namespace {

const QString kChartKeysHint = QStringLiteral(
    "Zoom: arrastre con el botón izquierdo, o las teclas + y -. Mover: arrastre con el botón "
    "derecho, o las flechas. Inicio: la vista completa.");

// Axis numbers use the decimal comma and no thousands separator.
QLocale AxisLocale() {
  QLocale locale(QLocale::Spanish, QLocale::Spain);
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}

}  // namespace

LineChart::LineChart(QWidget* parent) : QCustomPlot(parent) {
  setLocale(AxisLocale());
  setInteractions(QCP::Interactions());
  setAutoAddPlottableToLegend(false);
  legend->setVisible(false);
  xAxis2->setVisible(false);
  yAxis2->setVisible(false);
  axisRect()->setBackground(Qt::NoBrush);

  // The panel is drawn below everything else, on a layer of its own.
  addLayer(QStringLiteral("panel"), layer(QStringLiteral("background")), limBelow);
  panel_ = new ChartPanel(this);
  panel_->setLayer(QStringLiteral("panel"));
  const int inset = ChartPanel::kFrameWidth + 2;
  plotLayout()->setMargins(QMargins(inset, inset, inset, inset));

  title_ = new QCPTextElement(this);
  plotLayout()->insertRow(0);
  plotLayout()->addElement(0, 0, title_);

  // Bottom labels are whole sample numbers.
  QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
  ticker->setTickStep(1.0);
  ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
  xAxis->setTicker(ticker);
  xAxis->setNumberFormat(QStringLiteral("f"));
  xAxis->setNumberPrecision(0);

  series_ = addGraph(xAxis, yAxis);
  series_->setLineStyle(QCPGraph::lsLine);
  series_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
  series_->setAdaptiveSampling(true);

  mouse_ = new ChartMouseHandler(*this);
  // Reached by Tab and by a click, for the keys that zoom and move the view.
  setFocusPolicy(Qt::StrongFocus);
  setToolTip(kChartKeysHint);
  FollowData();
}

void LineChart::ApplyLook(const LineChartLook& look) {
  title_->setText(look.title);
  title_->setFont(look.titleFont);
  title_->setTextColor(look.titleColor);
  panel_->SetGradient(look.gradientBottom, look.gradientTop);
  panel_->SetFrameColor(look.frameColor);
  for (QCPAxis* axis : {xAxis, yAxis}) {
    axis->setLabelFont(look.axisTitleFont);
    axis->setLabelColor(look.axisTitleColor);
  }
  xAxis->setLabel(look.bottomAxisTitle);
  yAxis->setLabel(look.leftAxisTitle);
  yAxis->setRange(look.leftMinimum, look.leftMaximum);
  series_->setName(look.seriesName);
  series_->setPen(QPen(look.seriesColor, look.seriesWidth));
  replot(rpQueuedReplot);
}

void LineChart::Repaint() {
  replot(rpImmediateRefresh);
}

void LineChart::Clear() {
  series_->data()->clear();
  breaks_ = 0;
  FollowData();
  replot(rpQueuedReplot);
}

void LineChart::Append(double value) {
  series_->addData(PointCount(), value);
  FollowData();
  replot(rpQueuedReplot);
}

void LineChart::SetPoints(const std::vector<double>& x, const std::vector<double>& y) {
  // Sorted data spares the graph a sort; recordings that overlap in time are not sorted.
  series_->setData(QVector<double>(x.begin(), x.end()), QVector<double>(y.begin(), y.end()),
                   std::is_sorted(x.begin(), x.end()));
  breaks_ = 0;
  FollowData();
  replot(rpQueuedReplot);
}

void LineChart::BreakLineAt(double x) {
  // The graph draws no line to or from a point without a value.
  series_->addData(x, std::numeric_limits<double>::quiet_NaN());
  ++breaks_;
  replot(rpQueuedReplot);
}

int LineChart::PointCount() const {
  return series_->data()->size() - breaks_;
}

void LineChart::FollowData() {
  if (!bottomFollowsData_) return;
  // Every line counts, for a chart that draws several; marks drawn without a line do not.
  bool any = false;
  double first = 0.0;
  double last = 0.0;
  for (int i = 0; i < graphCount(); ++i) {
    const QCPGraph* line = graph(i);
    const QCPGraphDataContainer& points = *line->data();
    if (points.isEmpty() || (line != series_ && line->lineStyle() == QCPGraph::lsNone)) continue;
    const double from = points.constBegin()->key;
    const double to = (points.constEnd() - 1)->key;
    first = any ? std::min(first, from) : from;
    last = any ? std::max(last, to) : to;
    any = true;
  }
  if (!any) {
    xAxis->setRange(0.0, lonePointHalfWidth_);
  } else if (first == last) {
    xAxis->setRange(first - lonePointHalfWidth_, first + lonePointHalfWidth_);
  } else {
    xAxis->setRange(first, last);
  }
}

void LineChart::FitBottomToData(double lonePointHalfWidth) {
  // A zoom dropped takes its vertical range with it: the left axis goes back to the standard one.
  if (standardView_) yAxis->setRange(standardView_->left);
  standardView_.reset();
  lonePointHalfWidth_ = lonePointHalfWidth;
  bottomFollowsData_ = true;
  FollowData();
  replot(rpQueuedReplot);
}

void LineChart::Render(QCPPainter& painter, const QSize& layoutSize) {
  // toPainter lays the plot out at the requested size; lay it out again for the screen afterwards
  // so that mouse positions keep mapping to the right values.
  toPainter(&painter, layoutSize.width(), layoutSize.height());
  updateLayout();
}

QImage LineChart::RenderImage() {
  QImage image(size(), QImage::Format_ARGB32_Premultiplied);
  // The panel covers the whole picture; the fill only keeps the memory defined.
  image.fill(Qt::transparent);
  QCPPainter painter(&image);
  Render(painter, size());
  painter.end();
  return image;
}

void LineChart::CopyToClipboard() {
  QGuiApplication::clipboard()->setImage(RenderImage());
}

void LineChart::PrintTo(QPrinter& printer, const ChartPrintOptions& options) {
  QPainter painter;
  if (!painter.begin(&printer)) {
    const QString where = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName()
                                                                        : printer.printerName();
    throw std::runtime_error(QStringLiteral("No se pudo empezar a imprimir en '%1'")
                                 .arg(where)
                                 .toLocal8Bit()
                                 .toStdString());
  }
  PaintOnPage(painter, QRectF(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size()),
              options);
  if (!painter.end()) {
    throw std::runtime_error(
        QStringLiteral("No se pudo terminar la impresión").toLocal8Bit().toStdString());
  }
}

QRectF LineChart::PaintOnPage(QPainter& painter, const QRectF& page,
                              const ChartPrintOptions& options) {
  const QPaintDevice& device = *painter.device();
  const double devicePerScreenPixel = device.logicalDpiX() / double(logicalDpiX());
  const ChartPrintPlacement placement =
      PlaceChartOnPage(page, devicePerScreenPixel, QSizeF(size()), options);
  if (placement.isEmpty()) return {};
  const QSize layout(std::max(1, int(std::lround(placement.logicalSize.width()))),
                     std::max(1, int(std::lround(placement.logicalSize.height()))));

  // The plot measures its texts at screen resolution, so it is drawn into a picture of that
  // resolution (still lines and text, not pixels) and the picture is scaled onto the page;
  // drawn straight on the printer, fonts would take the printer's resolution and not fit.
  QPicture picture;
  QCPPainter recorder(&picture);
  recorder.setMode(QCPPainter::pmVectorized);
  Render(recorder, layout);
  recorder.end();

  // drawPicture itself enlarges a picture by the ratio of the device's resolution to the
  // picture's; the scale set here only adds what is left to fill the target.
  const double playX = double(device.logicalDpiX()) / picture.logicalDpiX();
  const double playY = double(device.logicalDpiY()) / picture.logicalDpiY();
  painter.save();
  painter.translate(placement.target.topLeft());
  painter.scale(placement.target.width() / layout.width() / playX,
                placement.target.height() / layout.height() / playY);
  painter.drawPicture(0, 0, picture);
  painter.restore();
  return placement.target;
}

void LineChart::KeepStandardView() {
  if (!standardView_) standardView_ = View{xAxis->range(), yAxis->range(), bottomFollowsData_};
}

void LineChart::ZoomToPixels(const QPoint& from, const QPoint& to) {
  KeepStandardView();
  const QCPRange bottom(xAxis->pixelToCoord(from.x()), xAxis->pixelToCoord(to.x()));
  const QCPRange left(yAxis->pixelToCoord(from.y()), yAxis->pixelToCoord(to.y()));
  bottomFollowsData_ = false;
  xAxis->setRange(bottom);
  yAxis->setRange(left);
  replot(rpQueuedReplot);
}

void LineChart::RestoreStandardView() {
  if (!standardView_) return;
  xAxis->setRange(standardView_->bottom);
  yAxis->setRange(standardView_->left);
  bottomFollowsData_ = standardView_->bottomFollowsData;
  standardView_.reset();
  FollowData();
  replot(rpQueuedReplot);
}

void LineChart::ZoomAboutCentre(double factor) {
  KeepStandardView();
  bottomFollowsData_ = false;
  xAxis->scaleRange(factor, xAxis->range().center());
  yAxis->scaleRange(factor, yAxis->range().center());
  replot(rpQueuedReplot);
}

void LineChart::keyPressEvent(QKeyEvent* event) {
  const QRect area = axisRect()->rect();
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      ZoomAboutCentre(0.5);
      break;
    case Qt::Key_Minus:
      ZoomAboutCentre(2.0);
      break;
    case Qt::Key_Left:
      PanByPixels(area.width() / 4, 0);
      break;
    case Qt::Key_Right:
      PanByPixels(-area.width() / 4, 0);
      break;
    case Qt::Key_Up:
      PanByPixels(0, area.height() / 4);
      break;
    case Qt::Key_Down:
      PanByPixels(0, -area.height() / 4);
      break;
    case Qt::Key_Home:
      RestoreStandardView();
      break;
    default:
      QCustomPlot::keyPressEvent(event);
      return;
  }
  event->accept();
}

void LineChart::PanByPixels(int dx, int dy) {
  KeepStandardView();
  bottomFollowsData_ = false;
  const QPoint origin = axisRect()->center();
  xAxis->moveRange(xAxis->pixelToCoord(origin.x()) - xAxis->pixelToCoord(origin.x() + dx));
  yAxis->moveRange(yAxis->pixelToCoord(origin.y()) - yAxis->pixelToCoord(origin.y() + dy));
  replot(rpQueuedReplot);
}
