#include "app/Unit3.h"

#include <QPlainTextEdit>
#include <QShowEvent>
#include <QToolTip>

#include "app/MakerDetails.h"
#include "window_base/FormLook.h"

QStringList TForm3::HelpLines() {
  // Written as the operators know it; the wording is kept as it is, slips included.
  return {
      QStringLiteral("VELMORANTE-DATALOGGER DE HUMEDAD Y TEMPERATURA DE12 BITS"),
      QString(),
      QStringLiteral(
          "Este software permite la descarga de datos de la línea de loggers de 12 bits de"),
      QString::fromUtf8(maker::kWebAddress) + QLatin1Char('.'),
      QStringLiteral("Especialmente diseñado para el \"VELMORANTE\"."),
      QStringLiteral("El uso de este programa es muy sencillo."),
      QStringLiteral("*Conecte el cable INTERFASE al logger."),
      QStringLiteral("*Conecte el cable INTERFASE a la PC puerto serial libre disponible."),
      QStringLiteral("*Ejecute el software."),
      QStringLiteral("*Seleccione el puerto serial  (COM 1,2,3,4,5, etc) donde fue conectado el "
                     "logger."),
      QStringLiteral("*Haga click en Ok"),
      QStringLiteral(
          "*Haga click en conectar. Aguarde 2 segundos y verá los canales del logger \"ON"),
      QStringLiteral("LINE\"."),
      QStringLiteral(
          "También las posiciones de memoria utilizadas y los datos de fecha reportados"),
      QStringLiteral("por el logger y los de la PC que está usando."),
      QStringLiteral(
          "Haciendo click en descargar podrña ver los datos descargados y ver un gráfico"),
      QStringLiteral("preliminar."),
      QStringLiteral("Podrá ver asimismo la tasa de muestreo, fecha y hora de inicio de logeo."),
      QStringLiteral("Los canales 1 y 2 son de temperatura."),
      QStringLiteral("Puede registrar datos entre -40 y + 125 ºC."),
      QString(),
      QStringLiteral("Los tiempos de muestreo son de 1,5,10,15,30 y 60 minutos."),
      QStringLiteral(
          "Con hacer click soble \"cambio de tasa\" se mostrará una pantalla donde se indica "),
      QStringLiteral("como proceder."),
  };
}

TForm3::TForm3(QWidget* parent) : QDialog(parent, CloseBoxOnlyFlags()) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("Ayuda soble el uso del programa"));
  setFixedSize(ClientSizeForOuter(QSize(430, 350)));
  setFont(DialogFont(11));
}

void TForm3::setVisible(bool visible) {
  // The memo and its guide are made as the window first shows, the guide laid out once at the
  // memo's own width. Later showings keep the operator's edits.
  if (visible && Memo1 == nullptr) {
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(3, 15, 418, 295);
    Memo1->setFont(ArialFont(11));
    QPalette tip = Memo1->palette();
    tip.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
    tip.setColor(QPalette::Text, QToolTip::palette().color(QPalette::ToolTipText));
    Memo1->setPalette(tip);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setPlainText(HelpLines().join(QLatin1Char('\n')));
  }
  QDialog::setVisible(visible);
}

void TForm3::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) CentreOnScreen(this);
  QDialog::showEvent(event);
}
