#include "app/Unit8.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <utility>

#include "window_base/FormLook.h"

namespace {

QLabel* WarningLine(const char* text, const QRect& place, const char* name, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(place);
  FitTextToWidth(label);
  return label;
}

}  // namespace

TForm8::TForm8(std::function<void()> markClockPending, QWidget* parent)
    : QDialog(parent, CloseBoxOnlyFlags()), markClockPending_(std::move(markClockPending)) {
  setObjectName(QStringLiteral("Form8"));
  setWindowTitle(QStringLiteral("PUESTA EN HORA DEL LOGGER"));
  setFont(DialogFont(11, true));
  QPalette look = palette();
  look.setColor(QPalette::Window, Qt::white);
  look.setColor(QPalette::WindowText, Qt::red);
  look.setColor(QPalette::ButtonText, Qt::red);
  setPalette(look);
  setAutoFillBackground(true);
  // The border is resizable; the controls keep their places.
  resize(ClientSizeForOuter(QSize(544, 137)));
}

void TForm8::setVisible(bool visible) {
  if (visible) MakeControls();
  QDialog::setVisible(visible);
}

void TForm8::MakeControls() {
  if (Label1 != nullptr) return;
  Label1 = WarningLine("LA PUESTA EN HORA DEL LOGGER IMPLICA LA TRANSFERENCIA DE DÍA Y HORA",
                       QRect(27, 6, 488, 13), "Label1", this);
  Label2 = WarningLine("DE LA PC AL LOGGER. TAMBIEN PONE A CERO LA CANTIDAD DE MEMORIA UTILIZADA",
                       QRect(15, 24, 520, 13), "Label2", this);
  Label3 = WarningLine("ASEGÚRESE DE DESCARGAR LOS DATOS ANTES DE PROCEDER CON ESTE PUNTO",
                       QRect(24, 42, 502, 13), "Label3", this);

  // "REGRESAR" comes first in the tab order and takes the focus, so that a stray Enter goes back
  // instead of emptying the logger's memory.
  BitBtn2 = new QPushButton(QStringLiteral("REGRESAR"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(309, 69, 136, 25);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm8::BitBtn2Click);

  BitBtn1 = new QPushButton(QStringLiteral("PONER EN HORA"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(45, 69, 135, 25);
  connect(BitBtn1, &QPushButton::clicked, this, &TForm8::BitBtn1Click);

  setTabOrder(BitBtn2, BitBtn1);
}

void TForm8::BitBtn1Click() {
  if (markClockPending_) markClockPending_();
  close();
}

void TForm8::BitBtn2Click() {
  close();
}

void TForm8::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    CentreOnScreen(this);
    BitBtn2->setFocus(Qt::OtherFocusReason);
  }
  QDialog::showEvent(event);
}
