#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "app/MakerDetails.h"
#include "app/Unit3.h"

namespace {

TEST(HelpWindow, TextIsExactLineByLine) {
  const QStringList expected = {
      "VELMORANTE-DATALOGGER DE HUMEDAD Y TEMPERATURA DE12 BITS",
      "",
      "Este software permite la descarga de datos de la línea de loggers de 12 bits de",
      QString::fromUtf8(maker::kWebAddress) + ".",
      "Especialmente diseñado para el \"VELMORANTE\".",
      "El uso de este programa es muy sencillo.",
      "*Conecte el cable INTERFASE al logger.",
      "*Conecte el cable INTERFASE a la PC puerto serial libre disponible.",
      "*Ejecute el software.",
      "*Seleccione el puerto serial  (COM 1,2,3,4,5, etc) donde fue conectado el logger.",
      "*Haga click en Ok",
      "*Haga click en conectar. Aguarde 2 segundos y verá los canales del logger \"ON",
      "LINE\".",
      "También las posiciones de memoria utilizadas y los datos de fecha reportados",
      "por el logger y los de la PC que está usando.",
      "Haciendo click en descargar podrña ver los datos descargados y ver un gráfico",
      "preliminar.",
      "Podrá ver asimismo la tasa de muestreo, fecha y hora de inicio de logeo.",
      "Los canales 1 y 2 son de temperatura.",
      "Puede registrar datos entre -40 y + 125 ºC.",
      "",
      "Los tiempos de muestreo son de 1,5,10,15,30 y 60 minutos.",
      "Con hacer click soble \"cambio de tasa\" se mostrará una pantalla donde se indica ",
      "como proceder.",
  };
  TForm3 help;
  help.show();  // as the operator opens it
  const QStringList shown = help.Memo1->toPlainText().split(QLatin1Char('\n'));
  ASSERT_EQ(shown.size(), 24);
  for (int line = 0; line < 24; ++line)
    EXPECT_EQ(shown[line], expected[line]) << "line " << line + 1;
  EXPECT_EQ(help.Memo1->document()->blockCount(), 24);
}

TEST(HelpWindow, EditsStayAcrossShowings) {
  TForm3 help;
  for (int opening = 0; opening < 2; ++opening) {
    QTimer::singleShot(0, &help, [&] {
      if (opening == 0) {
        help.Memo1->moveCursor(QTextCursor::End);
        QTest::keyClicks(help.Memo1, "nota");
      }
      help.close();
    });
    help.exec();
  }
  EXPECT_TRUE(help.Memo1->toPlainText().endsWith("como proceder.nota"));
  EXPECT_FALSE(help.Memo1->isReadOnly());
}

}  // namespace
