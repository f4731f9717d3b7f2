// The look the program's list windows share (the archived downloads, the stations): a teal-to-grey
// background, a sky-blue heading in spaced capitals and large coloured buttons.
#pragma once

#include <QColor>
#include <QString>

class ColorButton;
class GradientPanel;
class QLabel;
class QWidget;

// The background over the whole of `window`; the window keeps it to its size when resized.
GradientPanel* MakeListBackground(QWidget* window);
// The heading with `text` (spaced capitals, such as " E S T A C I O N E S ").
QLabel* MakeListHeading(const QString& text, QWidget* window);
// The line under the list that names the archive file (selectable, white on the background).
QLabel* MakeArchivePlace(QWidget* window);
// A 150 x 33 button named `name` with `text` in `color` and the tool-tip `hint`.
ColorButton* MakeListButton(QWidget* window, const char* name, const QString& text,
                            const QColor& color, const QString& hint);
