// Drawing shared by the instrument widgets: bevels, round lamps, seven-segment digits and fitted
// caption fonts. Every routine scales with the rectangle it is given, so the instruments stay crisp
// at any size.
#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

// A raised (or sunken) frame of `width` pixels just inside `rect`: light top and left edges, dark
// bottom and right edges.
void DrawBevel(QPainter& painter, const QRectF& rect, qreal width, bool sunken);

// A round lamp filling `rect`'s largest centred circle: `color` with a highlight when lit, a dark
// shade of it when not.
void DrawLamp(QPainter& painter, const QRectF& rect, const QColor& color, bool lit);

// The shade a lamp or LED segment of `color` shows when off.
QColor UnlitShade(const QColor& color);

// Seven-segment rendering of digits, '-', ',', '.', ':', '/' and spaces (other characters are left
// blank), as large as fits in `rect`, aligned by `alignment`'s horizontal part and centred
// vertically. Segments that are off are drawn in `offColor` unless it is invalid.
void DrawSegmentText(QPainter& painter, const QRectF& rect, const QString& text,
                     const QColor& onColor, const QColor& offColor, Qt::Alignment alignment);

// `base` with its pixel size chosen so that every line of `text` fits in `box`.
QFont FittedFont(QFont base, const QString& text, const QSizeF& box);

// Draws `text` in `rect` as `font` at `pixelSize` pixels would (at the font's own size when
// `pixelSize` is 0). A font drawn unhinted is drawn at one reference size through a scaled
// painter: its outlines scale exactly, and every size of a face would otherwise load a font of its
// own, which is slow. Its italic is its upright face slanted. Other fonts are drawn at the size
// itself.
void DrawTextAtSize(QPainter& painter, const QFont& font, int pixelSize, const QRectF& rect,
                    int flags, const QString& text);

// Width of the single line `text` and the height of a line in `font`, measured the way
// DrawTextAtSize draws them at the font's own size.
QSizeF TextExtent(const QFont& font, const QString& text);
