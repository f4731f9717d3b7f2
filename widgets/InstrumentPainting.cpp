#include "widgets/InstrumentPainting.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

// Unhinted text is laid out and drawn from its font at this size (the panel's own text size), so
// that one font per face serves every size.
constexpr int kUnhintedReferenceSize = 11;

// The panel's sans family slants its italic by 12 degrees and keeps the upright widths: unhinted
// italic text is drawn from the upright face, slanted, so that no italic face is loaded.
constexpr qreal kItalicSlant = 0.2126;  // tan(12 degrees)

// The font unhinted text of `font` is laid out and drawn from.
QFont ReferenceFont(QFont font) {
  font.setPixelSize(kUnhintedReferenceSize);
  font.setItalic(false);
  return font;
}

// Segment geometry in cell units: a digit is 1 wide and 2 high, segments 0.22 thick.
constexpr qreal kThick = 0.22;
constexpr qreal kGap = 0.035;
constexpr qreal kDigitAdvance = 1.4;
constexpr qreal kNarrowAdvance = 0.55;
constexpr qreal kSlashAdvance = 1.0;
constexpr qreal kSlant = 0.09;  // horizontal shift per unit of height, for the usual forward lean

enum Segment { A, B, C, D, E, F, G };

QPolygonF HorizontalSegment(qreal x0, qreal x1, qreal y) {
  const qreal h = kThick / 2;
  x0 += kGap;
  x1 -= kGap;
  return QPolygonF(
      {{x0, y}, {x0 + h, y - h}, {x1 - h, y - h}, {x1, y}, {x1 - h, y + h}, {x0 + h, y + h}});
}

QPolygonF VerticalSegment(qreal x, qreal y0, qreal y1) {
  const qreal h = kThick / 2;
  y0 += kGap;
  y1 -= kGap;
  return QPolygonF(
      {{x, y0}, {x + h, y0 + h}, {x + h, y1 - h}, {x, y1}, {x - h, y1 - h}, {x - h, y0 + h}});
}

QPolygonF SegmentShape(Segment s) {
  const qreal h = kThick / 2;
  switch (s) {
    case A:
      return HorizontalSegment(h, 1 - h, h);
    case B:
      return VerticalSegment(1 - h, h, 1);
    case C:
      return VerticalSegment(1 - h, 1, 2 - h);
    case D:
      return HorizontalSegment(h, 1 - h, 2 - h);
    case E:
      return VerticalSegment(h, 1, 2 - h);
    case F:
      return VerticalSegment(h, h, 1);
    case G:
      return HorizontalSegment(h, 1 - h, 1);
  }
  return {};
}

// Bit n set: segment n lit. -1: not a seven-segment character.
int SegmentsOf(QChar c) {
  static const int kDigits[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
  if (c.isDigit() && c.unicode() < 128) return kDigits[c.unicode() - '0'];
  if (c == QLatin1Char('-')) return 1 << G;
  if (c == QLatin1Char(' ')) return 0;
  return -1;
}

qreal AdvanceOf(QChar c) {
  if (c == QLatin1Char(',') || c == QLatin1Char('.') || c == QLatin1Char(':'))
    return kNarrowAdvance;
  if (c == QLatin1Char('/')) return kSlashAdvance;
  return kDigitAdvance;
}

}  // namespace

QColor UnlitShade(const QColor& color) {
  QColor c = color.toHsv();
  return QColor::fromHsv(c.hsvHue(), std::min(255, c.hsvSaturation()), std::max(30, c.value() / 4));
}

void DrawBevel(QPainter& painter, const QRectF& rect, qreal width, bool sunken) {
  if (width <= 0 || rect.isEmpty()) return;
  const QColor light(255, 255, 255, 170);
  const QColor dark(0, 0, 0, 150);
  const QRectF r = rect;
  const qreal w = std::min(width, std::min(r.width(), r.height()) / 2);
  QPolygonF topLeft({r.bottomLeft(), r.topLeft(), r.topRight(), r.topRight() + QPointF(-w, w),
                     r.topLeft() + QPointF(w, w), r.bottomLeft() + QPointF(w, -w)});
  QPolygonF bottomRight({r.bottomLeft(), r.bottomRight(), r.topRight(),
                         r.topRight() + QPointF(-w, w), r.bottomRight() + QPointF(-w, -w),
                         r.bottomLeft() + QPointF(w, -w)});
  painter.save();
  // On whole pixels: the edges run along rows and columns, and smoothing the corner mitres and a
  // fractional width costs more than the rest of a small instrument's face.
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(Qt::NoPen);
  painter.setBrush(sunken ? dark : light);
  painter.drawPolygon(topLeft);
  painter.setBrush(sunken ? light : dark);
  painter.drawPolygon(bottomRight);
  painter.restore();
}

void DrawLamp(QPainter& painter, const QRectF& rect, const QColor& color, bool lit) {
  const qreal d = std::min(rect.width(), rect.height());
  if (d <= 0) return;
  const QRectF circle(rect.center().x() - d / 2, rect.center().y() - d / 2, d, d);
  painter.save();
  // Metal ring around the glass.
  QLinearGradient ring(circle.topLeft(), circle.bottomRight());
  ring.setColorAt(0, QColor(230, 230, 230));
  ring.setColorAt(1, QColor(60, 60, 60));
  painter.setPen(Qt::NoPen);
  painter.setBrush(ring);
  painter.drawEllipse(circle);
  const qreal inset = std::max<qreal>(1.0, d * 0.12);
  const QRectF glass = circle.adjusted(inset, inset, -inset, -inset);
  const QColor base = lit ? color : UnlitShade(color);
  QRadialGradient shine(glass.center() - QPointF(glass.width() * 0.2, glass.height() * 0.2),
                        glass.width() * 0.75);
  shine.setColorAt(0, lit ? base.lighter(170) : base.lighter(140));
  shine.setColorAt(0.6, base);
  shine.setColorAt(1, base.darker(lit ? 130 : 150));
  painter.setBrush(shine);
  painter.drawEllipse(glass);
  painter.restore();
}

namespace {

// One character cell of segment text under `t` (cell units to device pixels).
void DrawSegmentCell(QPainter& painter, QChar c, const QTransform& t, const QColor& onColor,
                     const QColor& offColor) {
  const int segments = SegmentsOf(c);
  if (segments >= 0) {
    for (int s = A; s <= G; ++s) {
      const bool on = segments & (1 << s);
      if (!on && !offColor.isValid()) continue;
      painter.setBrush(on ? onColor : offColor);
      painter.drawPolygon(t.map(SegmentShape(static_cast<Segment>(s))));
    }
  } else if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
    painter.setBrush(onColor);
    const qreal dot = kThick * 1.1;
    painter.drawRect(t.mapRect(QRectF(0.1, 2 - dot, dot, dot)));
    if (c == QLatin1Char(','))
      painter.drawPolygon(t.map(QPolygonF(
          {{0.1 + dot, 2}, {0.1 + dot, 2 + dot * 0.3}, {0.05, 2 + dot * 1.1}, {0.1, 2}})));
  } else if (c == QLatin1Char(':')) {
    painter.setBrush(onColor);
    const qreal dot = kThick * 1.1;
    painter.drawRect(t.mapRect(QRectF(0.12, 0.6 - dot / 2, dot, dot)));
    painter.drawRect(t.mapRect(QRectF(0.12, 1.4 - dot / 2, dot, dot)));
  } else if (c == QLatin1Char('/')) {
    painter.setBrush(onColor);
    const qreal h = kThick / 2;
    painter.drawPolygon(
        t.map(QPolygonF({{0.75 - h, 0.1}, {0.75 + h, 0.1}, {0.05 + h, 1.9}, {0.05 - h, 1.9}})));
  }
}

// Whether cells may be copied from pictures: an unscaled, unrotated raster surface (a widget, an
// image or a pixmap); printers and scaled painters get the shapes themselves.
bool CellsMayBeCopied(const QPainter& painter) {
  const QPaintEngine* engine = painter.paintEngine();
  const QTransform& transform = painter.worldTransform();
  return engine != nullptr && engine->type() == QPaintEngine::Raster &&
         transform.type() <= QTransform::TxTranslate &&
         transform.dx() == std::floor(transform.dx()) &&
         transform.dy() == std::floor(transform.dy()) && painter.opacity() == 1.0 &&
         painter.compositionMode() == QPainter::CompositionMode_SourceOver;
}

// A cell drawn once into a picture and copied from then on. The clocks and figures repaint every
// second with mostly the same characters in the same places; copying a cell costs a fraction of
// drawing its seven antialiased segments. The picture is drawn at the cell's exact place within a
// pixel, so the copy matches what drawing the shapes would give.
void DrawCachedSegmentCell(QPainter& painter, QChar c, const QTransform& t, const QColor& onColor,
                           const QColor& offColor) {
  const qreal ratio = painter.device()->devicePixelRatioF();
  const QRectF bounds = t.mapRect(QRectF(-0.2, -0.2, kDigitAdvance + 4 * kSlant + 0.4, 2.7));
  const QPoint origin(static_cast<int>(std::floor(bounds.left())),
                      static_cast<int>(std::floor(bounds.top())));
  const QTransform local = t * QTransform::fromTranslate(-origin.x(), -origin.y());
  // The place within a pixel, to 1/256 of a pixel, is part of what the picture depends on.
  auto fine = [](qreal v) { return QString::number(std::llround(v * 256)); };
  const QString key = QString(c) + QLatin1Char('|') + fine(local.m11()) + QLatin1Char('|') +
                      fine(local.m21()) + QLatin1Char('|') + fine(local.dx()) + QLatin1Char('|') +
                      fine(local.dy()) + QLatin1Char('|') + QString::number(onColor.rgba()) +
                      QLatin1Char('|') +
                      (offColor.isValid() ? QString::number(offColor.rgba()) : QString()) +
                      QLatin1Char('|') + fine(ratio);
  static QHash<QString, QImage> cells;
  auto found = cells.constFind(key);
  if (found == cells.constEnd()) {
    if (cells.size() >= 1024) cells.clear();  // bounded: a few displays, a few sizes each
    const QSize size(static_cast<int>(std::ceil(bounds.right())) - origin.x() + 1,
                     static_cast<int>(std::ceil(bounds.bottom())) - origin.y() + 1);
    QImage cell(size * ratio, QImage::Format_ARGB32_Premultiplied);
    cell.setDevicePixelRatio(ratio);
    cell.fill(Qt::transparent);
    QPainter cellPainter(&cell);
    cellPainter.setRenderHint(QPainter::Antialiasing);
    cellPainter.setPen(Qt::NoPen);
    DrawSegmentCell(cellPainter, c, local, onColor, offColor);
    cellPainter.end();
    found = cells.insert(key, cell);
  }
  painter.drawImage(origin, *found);
}

}  // namespace

void DrawSegmentText(QPainter& painter, const QRectF& rect, const QString& text,
                     const QColor& onColor, const QColor& offColor, Qt::Alignment alignment) {
  if (rect.isEmpty() || text.isEmpty()) return;
  qreal units = 0;
  for (QChar c : text) units += AdvanceOf(c);
  units -= kDigitAdvance - 1 - kSlant * 2;  // no spacing after the last character; room for slant
  const qreal height = 2.25;                // room below the baseline for a comma's tail
  const qreal scale = std::min(rect.width() / units, rect.height() / height);
  if (scale <= 0) return;

  qreal left = rect.left();
  if (alignment & Qt::AlignRight)
    left = rect.right() - units * scale;
  else if (alignment & Qt::AlignHCenter)
    left = rect.center().x() - units * scale / 2;
  const qreal top = rect.center().y() - 2.0 * scale / 2;

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  QTransform toRect;
  toRect.translate(left, top);
  toRect.scale(scale, scale);
  const bool copyCells = CellsMayBeCopied(painter);
  if (copyCells) {
    // Copied cells are placed in the device's pixels.
    toRect *= painter.worldTransform();
    painter.resetTransform();
  }
  qreal x = 0;
  for (QChar c : text) {
    QTransform cell;
    // Lean forward: the top of a cell sits further right than its bottom.
    cell.setMatrix(1, 0, 0, -kSlant, 1, 0, x + 2 * kSlant, 0, 1);
    const QTransform t = cell * toRect;
    if (c != QLatin1Char(' ') || offColor.isValid()) {
      if (copyCells)
        DrawCachedSegmentCell(painter, c, t, onColor, offColor);
      else
        DrawSegmentCell(painter, c, t, onColor, offColor);
    }
    x += AdvanceOf(c);
  }
  painter.restore();
}

namespace {

// Whether every line of `lines` fits in `box` at `font`'s size; `widest` receives the widest line.
bool LinesFit(const QFont& font, const QStringList& lines, const QSizeF& box, qreal& widest) {
  const QFontMetricsF metrics(font);
  widest = 0;
  for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
  return widest <= box.width() && metrics.height() * lines.size() <= box.height() * 1.15;
}

int FittedPixelSize(QFont base, const QString& text, const QSizeF& box) {
  const QStringList lines = text.split(QLatin1Char('\n'));
  const qsizetype lineCount = std::max<qsizetype>(1, lines.size());
  const int tallest = std::max(1, static_cast<int>(box.height() / lineCount));
  if (tallest <= 4) return tallest;
  // Every size measured loads a font of its own, which is slow. The font's own size is usually
  // loaded already (the widget draws with it), and text widths grow nearly in proportion to the
  // size: measure there, go straight to the size that should fit, and step down from it.
  int own = base.pixelSize() > 0 ? base.pixelSize() : QFontInfo(base).pixelSize();
  const bool unhinted = own > 0 && base.hintingPreference() == QFont::PreferNoHinting;
  if (unhinted) own = kUnhintedReferenceSize;
  if (own > 0) base.setPixelSize(own);
  const int measured = own > 0 ? own : tallest;
  qreal widest = 0;
  LinesFit(base, lines, box, widest);
  const QFontMetricsF metrics(base);
  qreal scale = widest > 0 ? box.width() / widest : 1.0;
  if (metrics.height() > 0) {
    scale = std::min(scale, box.height() * 1.15 / (metrics.height() * lineCount));
  }
  int size = std::clamp(static_cast<int>(measured * scale + 1e-9), 4, tallest);
  // Unhinted outlines scale exactly with the size: what fits at the measured size, scaled, fits.
  if (unhinted) return size;
  base.setPixelSize(size);
  while (size > 4 && !LinesFit(base, lines, box, widest)) base.setPixelSize(--size);
  return size;
}

}  // namespace

void DrawTextAtSize(QPainter& painter, const QFont& font, int pixelSize, const QRectF& rect,
                    int flags, const QString& text) {
  const int size = pixelSize > 0 ? pixelSize : font.pixelSize();
  if (size <= 0 || font.hintingPreference() != QFont::PreferNoHinting) {
    QFont sized = font;
    if (size > 0) sized.setPixelSize(size);
    painter.setFont(sized);
    painter.drawText(rect, flags, text);
    return;
  }
  const QFont reference = ReferenceFont(font);
  const qreal scale = static_cast<qreal>(size) / kUnhintedReferenceSize;
  painter.save();
  painter.setFont(reference);
  painter.translate(rect.topLeft());
  painter.scale(scale, scale);
  const QRectF box(0, 0, rect.width() / scale, rect.height() / scale);
  if (font.italic()) {
    // Slanted about the line's middle, so that the text keeps its place in the box.
    const qreal middle = box.center().y();
    painter.translate(0, middle);
    painter.shear(-kItalicSlant, 0);
    painter.translate(0, -middle);
  }
  painter.drawText(box, flags, text);
  painter.restore();
}

QSizeF TextExtent(const QFont& font, const QString& text) {
  const int size = font.pixelSize();
  if (size <= 0 || font.hintingPreference() != QFont::PreferNoHinting) {
    const QFontMetricsF metrics(font);
    return {metrics.horizontalAdvance(text), metrics.height()};
  }
  const QFontMetricsF metrics(ReferenceFont(font));
  const qreal scale = static_cast<qreal>(size) / kUnhintedReferenceSize;
  return {metrics.horizontalAdvance(text) * scale, metrics.height() * scale};
}

QFont FittedFont(QFont base, const QString& text, const QSizeF& box) {
  // Instruments repaint often (clocks every second, lamps as they flash) with the same captions:
  // the size found for a font, text and box is kept.
  static QHash<QString, int> sizes;
  const QString key = base.key() + QLatin1Char('|') + text + QLatin1Char('|') +
                      QString::number(box.width()) + QLatin1Char('x') +
                      QString::number(box.height());
  auto found = sizes.constFind(key);
  if (found == sizes.constEnd()) {
    if (sizes.size() >= 512) sizes.clear();  // bounded: captions are few, boxes change rarely
    found = sizes.insert(key, FittedPixelSize(base, text, box));
  }
  base.setPixelSize(*found);
  return base;
}
