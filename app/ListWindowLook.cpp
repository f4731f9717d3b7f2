#include "app/ListWindowLook.h"

#include <QLabel>
#include <QPalette>

#include "app/PanelColors.h"
#include "widgets/ColorButton.h"
#include "widgets/GradientPanel.h"
#include "window_base/FormLook.h"

GradientPanel* MakeListBackground(QWidget* window) {
  auto* background = new GradientPanel(window);
  background->setColors(panel::kTeal, QColor(160, 160, 164));
  background->setOrientation(Qt::Horizontal);
  background->setGeometry(window->rect());
  return background;
}

QLabel* MakeListHeading(const QString& text, QWidget* window) {
  auto* heading = new QLabel(text, window);
  heading->setObjectName(QStringLiteral("HeadingLabel"));
  heading->setAutoFillBackground(true);
  QPalette palette = heading->palette();
  palette.setColor(QPalette::Window, panel::kSkyBlue);
  palette.setColor(QPalette::WindowText, panel::kWhite);
  heading->setPalette(palette);
  heading->setFont(ArialFont(11, true));
  return heading;
}

QLabel* MakeArchivePlace(QWidget* window) {
  auto* place = new QLabel(window);
  place->setObjectName(QStringLiteral("ArchivePlace"));
  place->setWordWrap(true);
  place->setTextInteractionFlags(Qt::TextSelectableByMouse);
  place->setFont(ArialFont(10));
  QPalette palette = place->palette();
  palette.setColor(QPalette::WindowText, panel::kWhite);
  place->setPalette(palette);
  return place;
}

ColorButton* MakeListButton(QWidget* window, const char* name, const QString& text,
                            const QColor& color, const QString& hint) {
  auto* button = new ColorButton(window);
  button->setObjectName(QLatin1String(name));
  button->setTextOff(text);
  button->setTextOn(text);
  button->setTextColor(color);
  button->setToolTip(hint);
  button->setFont(ArialFont(11, true));
  button->setFixedSize(150, 33);
  return button;
}
