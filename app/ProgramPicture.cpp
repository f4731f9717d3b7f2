#include "app/ProgramPicture.h"

#include <QPainter>
#include <QPainterPath>

QPixmap ProgramPicture() {
  QPixmap picture(32, 32);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);

  // Logger case with its display window.
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(QColor(70, 90, 120));
  p.drawRoundedRect(QRectF(1.5, 4.5, 20, 25), 3, 3);
  p.setBrush(QColor(150, 230, 120));
  p.drawRect(QRectF(4.5, 7.5, 14, 6));
  p.setPen(QPen(QColor(20, 80, 20), 1));
  p.drawLine(QPointF(6, 12), QPointF(9, 9));
  p.drawLine(QPointF(9, 9), QPointF(12, 11));
  p.drawLine(QPointF(12, 11), QPointF(17, 8.5));

  // Thermometer on the case: stem and bulb, red column.
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(9.5, 15.5, 4, 9), 2, 2);
  p.drawEllipse(QPointF(11.5, 25.5), 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::red);
  p.drawRect(QRectF(10.5, 19, 2, 6));
  p.drawEllipse(QPointF(11.5, 25.5), 2, 2);

  // Water drop beside the case, for humidity.
  QPainterPath drop;
  drop.moveTo(26.5, 10);
  drop.cubicTo(QPointF(29, 15), QPointF(31, 18), QPointF(31, 21));
  drop.arcTo(QRectF(22, 16.5, 9, 9), 0, -180);
  drop.cubicTo(QPointF(22, 18), QPointF(24, 15), QPointF(26.5, 10));
  p.setPen(QPen(QColor(10, 60, 140), 1));
  p.setBrush(QColor(60, 150, 240));
  p.drawPath(drop);
  p.end();
  return picture;
}
