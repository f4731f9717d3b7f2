#include "app/MainWindowAids.h"

#include <QWidget>
#include <algorithm>
#include <tuple>

#include "app/PanelColors.h"
#include "widgets/ColorButton.h"
#include "window_base/FormLook.h"

namespace {

ColorButton* SmallButton(QWidget* parent, const char* name, const QString& text,
                         const QColor& color, const QString& hint, const QRect& place) {
  auto* button = new ColorButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setTextOff(text);
  button->setTextOn(text);
  button->setTextColor(color);
  button->setToolTip(hint);
  button->setFont(ArialFont(11, true));
  button->setGeometry(place);
  return button;
}

}  // namespace

ColorButton* CreatePortSetupButton(QWidget* parent) {
  return SmallButton(parent, "PortSetupButton", QStringLiteral("PUERTO"), panel::kAqua,
                     QStringLiteral("Elegir otro puerto serie y su configuración (con el logger "
                                    "desconectado)"),
                     QRect(505, 200, 78, 25));
}

ColorButton* CreateClockPendingButton(QWidget* parent) {
  ColorButton* button = SmallButton(
      parent, "ClockPendingButton", QStringLiteral("HORA\nPENDIENTE"), panel::kYellow,
      QStringLiteral("La puesta en hora está confirmada y se enviará con la próxima transmisión "
                     "del logger; también borra su memoria. Haga clic aquí para anularla."),
      QRect(506, 69, 82, 37));  // two lines at full size, yellow on the dark face: readable
  button->hide();
  return button;
}

void OrderTabStopsByLayout(QWidget* window, int columnSplitX) {
  QList<QWidget*> stops;
  for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->focusPolicy() & Qt::TabFocus) stops << child;
  }
  const auto place = [columnSplitX](const QWidget* w) {
    const QRect g = w->geometry();
    return std::make_tuple(g.x() >= columnSplitX, g.y(), g.x());
  };
  std::stable_sort(stops.begin(), stops.end(),
                   [&](const QWidget* a, const QWidget* b) { return place(a) < place(b); });
  for (qsizetype i = 1; i < stops.size(); ++i) QWidget::setTabOrder(stops[i - 1], stops[i]);
}
