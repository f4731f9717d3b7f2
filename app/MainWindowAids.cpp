#include "app/MainWindowAids.h"

#include "app/PanelColors.h"
#include "widgets/ColorButton.h"
#include "widgets/FormLook.h"

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
      parent, "ClockPendingButton", QStringLiteral("HORA PENDIENTE"), panel::kRed,
      QStringLiteral("La puesta en hora está confirmada y se enviará con la próxima transmisión "
                     "del logger; también borra su memoria. Haga clic aquí para anularla."),
      QRect(507, 71, 78, 33));
  button->hide();
  return button;
}
