#include "data_ui/ButtonPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
QPixmap BlankPicture() {
  QPixmap picture(kButtonPictureSize);
  picture.fill(Qt::transparent);
  return picture;
}
}  // namespace

QIcon DiskPicture() {
  QPixmap picture = BlankPicture();
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  // Body with a cut corner at the top right.
  QPainterPath body;
  body.moveTo(3, 3);
  body.lineTo(25, 3);
  body.lineTo(29, 7);
  body.lineTo(29, 29);
  body.lineTo(3, 29);
  body.closeSubpath();
  p.setPen(QPen(QColor(0, 0, 64), 1.5));
  p.setBrush(QColor(0, 64, 160));
  p.drawPath(body);
  // Metal shutter with its slot.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(QRectF(9, 3.5, 13, 9));
  p.setBrush(QColor(0, 64, 160));
  p.drawRect(QRectF(17, 5, 3, 6));
  // Paper label.
  p.setBrush(Qt::white);
  p.drawRect(QRectF(7, 17, 18, 10));
  p.setPen(QPen(QColor(160, 160, 164), 1));
  p.drawLine(QPointF(9, 20.5), QPointF(23, 20.5));
  p.drawLine(QPointF(9, 23.5), QPointF(23, 23.5));
  return QIcon(picture);
}

QIcon ChartPicture() {
  QPixmap picture = BlankPicture();
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(QRectF(4, 3, 26, 26), Qt::white);
  // Axes.
  p.setPen(QPen(Qt::black, 1.5));
  p.drawLine(QPointF(4, 3), QPointF(4, 29));
  p.drawLine(QPointF(4, 29), QPointF(30, 29));
  // Two traces, as the chart window draws temperature and humidity.
  const QPointF red[] = {{5, 22}, {10, 17}, {15, 20}, {20, 11}, {25, 14}, {29, 6}};
  const QPointF blue[] = {{5, 26}, {10, 24}, {15, 25}, {20, 21}, {25, 23}, {29, 18}};
  p.setPen(QPen(QColor(255, 0, 0), 2));
  p.drawPolyline(red, 6);
  p.setPen(QPen(QColor(0, 0, 255), 2));
  p.drawPolyline(blue, 6);
  return QIcon(picture);
}

QIcon AnalysisPicture() {
  QPixmap picture = BlankPicture();
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  // A sheet of figures: bars of a summary on white paper.
  p.setPen(QPen(QColor(0, 0, 64), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3.5, 3.5, 21, 25));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 128, 128));
  p.drawRect(QRectF(6, 18, 4, 8));
  p.drawRect(QRectF(12, 11, 4, 15));
  p.setBrush(QColor(255, 0, 0));
  p.drawRect(QRectF(18, 14, 4, 12));
  // A magnifying glass over the bottom right corner.
  p.setPen(QPen(QColor(0, 0, 64), 2));
  p.setBrush(QColor(166, 202, 240, 170));
  p.drawEllipse(QPointF(20, 19), 6, 6);
  p.setPen(QPen(QColor(96, 64, 0), 3.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(24.5, 23.5), QPointF(29.5, 29));
  return QIcon(picture);
}
