// Common look of the program's small windows: the fonts they ask for (with the sans fonts that
// stand in for them where they are missing), the title bar with only the close box, the client size
// that goes with a given outer window size, and centring on the desktop.
#pragma once

#include <QFont>
#include <QSize>
#include <Qt>

class QLabel;
class QWidget;

// The classic dialog font at `pixelSize`, or a similar sans font where it is not installed.
QFont DialogFont(int pixelSize, bool bold = false);

// Arial at `pixelSize`, or a metric-compatible sans font where it is not installed.
QFont ArialFont(int pixelSize, bool bold = false);

// A dialog's title bar with the close box only (no system menu icon, no minimise, maximise or
// help).
Qt::WindowFlags CloseBoxOnlyFlags();

// Window frame assumed when a window's outer size is given: a 4-pixel border and a 19-pixel title
// bar. The real frame is the window manager's; the client area is what the program controls.
constexpr int kFrameBorder = 4;
constexpr int kTitleBarHeight = 19;

// Client area for a window whose outer size (frame included) is `outer`.
constexpr QSize ClientSizeForOuter(QSize outer) {
  return QSize(outer.width() - 2 * kFrameBorder,
               outer.height() - 2 * kFrameBorder - kTitleBarHeight);
}

// Narrows the letter spacing of a fixed-size label whose text would be cut off by its width, as
// happens where a stand-in font runs a little wider than the font the layout was made for. A label
// not yet shown is measured when it first shows: measuring loads its font, which a window created
// at start-up and never opened should not pay for.
void FitTextToWidth(QLabel* label);

// Moves `window` so that it sits in the middle of the available area of its screen.
void CentreOnScreen(QWidget* window);
