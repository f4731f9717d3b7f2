// The main window's controls: place, size, texts, hints and colours.
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "app/MainWindowAids.h"
#include "app/MakerDetails.h"
#include "app/PanelColors.h"
#include "app/StatusPresentation.h"
#include "app/Unit1.h"
#include "widgets/ClockDisplay.h"
#include "widgets/ColorButton.h"
#include "widgets/IndicatorLamp.h"
#include "widgets/LedBar.h"
#include "widgets/PieGauge.h"
#include "widgets/RadioGroup.h"
#include "widgets/RockerSwitch.h"
#include "widgets/ValueIndicator.h"
#include "widgets/WholeTextBox.h"
#include "window_base/FormLook.h"

namespace {

// Outer size 596 x 403 with a 3-pixel border; the title bar is the one FormLook assumes.
constexpr int kOuterWidth = 596;
constexpr int kOuterHeight = 403;
constexpr int kBorder = 3;

template <typename W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

// A label sized to its text, as labels of the panel are.
QLabel* PlaceLabel(QLabel* label, const char* name, int left, int top) {
  label->setObjectName(QString::fromLatin1(name));
  label->adjustSize();
  label->move(left, top);
  return label;
}

void SetColors(QWidget* widget, const QColor& text, const QColor& background) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Window, background);
  palette.setColor(QPalette::Base, background);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

QLineEdit* ReadOnlyBox(QWidget* parent, const QString& text, const QColor& color) {
  auto* box = new QLineEdit(parent);
  // The style's frame around a black box is black itself: without it the box looks the same, and
  // a repaint at every reply does not draw the frame's rounded outline again.
  box->setFrame(false);
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::NoFocus);
  box->setAlignment(Qt::AlignCenter);
  QFont font = box->font();
  font.setBold(true);
  box->setFont(font);
  // The text is laid out once, in the box's own font.
  box->setText(text);
  SetColors(box, color, panel::kBlack);
  return box;
}

ColorButton* Button(QWidget* parent, const QString& text, const QColor& color,
                    const QString& hint) {
  auto* button = new ColorButton(parent);
  button->setTextOff(text);
  button->setTextOn(text);
  button->setTextColor(color);
  button->setToolTip(hint);
  return button;
}

}  // namespace

void TForm1::CreateControls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("VELMORANTE-12BITS V 3.2"));
  // System menu and minimise only: no maximise box, and the size is fixed.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kOuterWidth - 2 * kBorder, kOuterHeight - 2 * kBorder - kTitleBarHeight);
  setFont(ArialFont(11));
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, panel::kRed);
  setPalette(palette);

  // Logger side.
  AbColBitBtn1 = Place(new IndicatorLamp(this), "AbColBitBtn1", 18, 5, 217, 33);
  AbColBitBtn1->setText(QStringLiteral(" DATOS REPORTADOS POR EL LOGGER"));
  AbColBitBtn1->setTextColor(panel::kWhite);
  AbColBitBtn1->setFont(ArialFont(11, true));

  Edit4 = Place(ReadOnlyBox(this, QStringLiteral("DD/MM/AAAA"), panel::kFuchsia), "Edit4", 27, 44,
                91, 24);
  Edit3 = Place(ReadOnlyBox(this, QStringLiteral("HH:MM:SS"), panel::kFuchsia), "Edit3", 27, 72, 91,
                24);

  AbValueInd1 = Place(new ValueIndicator(this), "AbValueInd1", 126, 45, 99, 34);
  AbValueInd1->setCaption(QStringLiteral("CANAL1"));
  AbValueInd1->setUnit(QStringLiteral("% RH"));
  AbValueInd1->setValue(50);
  AbValueInd2 = Place(new ValueIndicator(this), "AbValueInd2", 228, 45, 78, 34);
  AbValueInd2->setCaption(QStringLiteral("CANAL2"));
  AbValueInd2->setUnit(QStringLiteral("ºC"));
  AbValueInd2->setValue(50);

  AbColBitBtn7 = Place(new IndicatorLamp(this), "AbColBitBtn7", 141, 84, 151, 24);
  AbColBitBtn7->setText(QStringLiteral("      CANALES EN LINEA"));
  AbColBitBtn7->setTextColor(panel::kWhite);
  AbColBitBtn7->setFlashing(true);
  AbColBitBtn7->hide();

  Label1 = PlaceLabel(new QLabel(QStringLiteral("TASA DE MUESTREO"), this), "Label1", 15, 108);

  QStringList rates;
  for (const char* item : protocol::kRateItems) rates << QString::fromUtf8(item);
  RadioGroup1 = Place(new RadioGroup(QString(), rates, this), "RadioGroup1", 15, 126, 103, 109);
  RadioGroup1->setToolTip(QStringLiteral("Tasa de muestreo reportada por el logger"));

  AbVBar1 = Place(new LedBar(this), "AbVBar1", 153, 123, 125, 176);
  AbVBar1->setCaption1(QStringLiteral("NIVEL DE BATERIA:"));
  AbVBar1->setCaption2(QStringLiteral("\"OK\""));
  AbVBar1->setUnit(QStringLiteral("%"));
  AbVBar1->setValue(30);

  auto* memoryHeading = new QLabel(QStringLiteral(" Memoria ocupada: "), this);
  SetColors(memoryHeading, panel::kBlack, panel::kLime);
  Label2 = PlaceLabel(memoryHeading, "Label2", 12, 246);

  Edit1 = Place(ReadOnlyBox(this, QStringLiteral("0000"), panel::kLime), "Edit1", 18, 270, 37, 24);

  auto* capacity = new QLabel(CapacityText(), this);
  SetColors(capacity, panel::kLime, panel::kBlack);
  Label3 = PlaceLabel(capacity, "Label3", 60, 276);

  AbColBitBtn3 = Place(Button(this, QStringLiteral("   CAMBIO DE TASA DE MUESTREO"), panel::kAqua,
                              QStringLiteral("Cambiar la tasa de muestreo")),
                       "AbColBitBtn3", 15, 312, 205, 33);

  Splitter1 = Place(new QFrame(this), "Splitter1", 312, 0, 16, 361);
  SetColors(Splitter1, panel::kTeal, panel::kTeal);

  // Computer side.
  AbColBitBtn4 = Place(Button(this, QStringLiteral("       DESCARGAR DATOS"), panel::kYellow,
                              QStringLiteral("Descargar los datos del logger")),
                       "AbColBitBtn4", 354, 5, 166, 33);

  Gauge1 = Place(new PieGauge(this), "Gauge1", 531, 6, 31, 28);
  Gauge1->setMaximum(50);
  Gauge1->setProgress(0);
  Gauge1->setForeColor(panel::kOrange);
  Gauge1->setBackColor(panel::kYellow);
  Gauge1->hide();

  CheckBox1 = Place(new QCheckBox(QStringLiteral(" Forzar descarga completa"), this), "CheckBox1",
                    360, 45, 157, 17);
  CheckBox1->setToolTip(QStringLiteral("SOLO SI SE QUEDÓ SIN PILAS"));

  AbColBitBtn2 = Place(Button(this, QStringLiteral("  PONER EN HORA"), panel::kLime,
                              QStringLiteral("Transferir hora y fecha actual al logger")),
                       "AbColBitBtn2", 390, 71, 112, 33);
  AbColBitBtn2->setTextOn(QString());  // no text while held down

  AbClock2 = Place(new ClockDisplay(this), "AbClock2", 402, 110, 91, 28);
  AbClock2->setMode(ClockDisplay::Date);
  AbClock2->setTextColor(panel::kLime);
  AbClock2->setToolTip(QStringLiteral("Fecha actual"));
  AbClock1 = Place(new ClockDisplay(this), "AbClock1", 402, 144, 101, 28);
  AbClock1->setMode(ClockDisplay::Time);
  AbClock1->setTextColor(panel::kLime);
  AbClock1->setToolTip(QStringLiteral("Hora actual"));

  AbRockerSwitch1 = Place(new RockerSwitch(this), "AbRockerSwitch1", 402, 177, 91, 85);
  AbRockerSwitch1->setText(QStringLiteral("CONECTAR"));
  AbRockerSwitch1->setOn(false);
  AbRockerSwitch1->setOnLampColor(panel::kLime);
  AbRockerSwitch1->setOffLampColor(panel::kGreen);
  AbRockerSwitch1->setToolTip(QStringLiteral("Conectar/desconectar con logger"));

  AbColBitBtn5 = Place(Button(this, QString::fromUtf8(maker::kWebAddress), panel::kRed,
                              QStringLiteral("Nuestra empresa")),
                       "AbColBitBtn5", 348, 273, 214, 33);
  QFont large = ArialFont(15, true);
  large.setItalic(true);
  AbColBitBtn5->setFont(large);

  AbColBitBtn6 = Place(Button(this, QStringLiteral(" VELMORANTE"), panel::kSkyBlue,
                              QStringLiteral("Ayuda para el uso de este programa")),
                       "AbColBitBtn6", 390, 315, 130, 33);
  QFont boldItalic = ArialFont(11, true);
  boldItalic.setItalic(true);
  AbColBitBtn6->setFont(boldItalic);

  // Beside the connect switch, below the port button, in the panel's free space.
  HistoryButton = Place(Button(this, QStringLiteral("HISTORIAL"), panel::kSkyBlue,
                               QStringLiteral("Descargas archivadas y abrir archivos de datos")),
                        "HistoryButton", 505, 232, 78, 25);
  HistoryButton->setFont(ArialFont(11, true));
  // In the same column, above the port button.
  StationsButton =
      Place(Button(this, QStringLiteral("ESTACIONES"), panel::kSkyBlue,
                   QStringLiteral("Estaciones del archivo: si funcionan, memoria, batería, "
                                  "reloj y descargas de cada una")),
            "StationsButton", 505, 168, 82, 25);
  StationsButton->setFont(ArialFont(11, true));
  // In the same column, above the stations button, right of the clocks.
  AlarmsButton = Place(Button(this, QStringLiteral("ALARMAS"), panel::kSkyBlue,
                              QStringLiteral("Alarmas del archivo, abiertas y pasadas, y su "
                                             "reconocimiento")),
                       "AlarmsButton", 505, 136, 82, 25);
  AlarmsButton->setFont(ArialFont(11, true));

  // Channel kinds, read by the interpreter; nothing changes them.
  RadioGroup2 = Place(new RadioGroup(QStringLiteral("Canal 1"),
                                     {QStringLiteral("T ºC"), QStringLiteral("mV")}, this),
                      "RadioGroup2", 342, 297, 106, 55);
  RadioGroup2->setItemIndex(0);
  RadioGroup2->hide();
  RadioGroup3 = Place(new RadioGroup(QStringLiteral("Canal 2"),
                                     {QStringLiteral("T ºC"), QStringLiteral("mV.")}, this),
                      "RadioGroup3", 459, 297, 106, 55);
  RadioGroup3->setItemIndex(0);
  RadioGroup3->hide();

  // Beside the specified controls, in free space.
  PortSetupButton = CreatePortSetupButton(this);
  ClockPendingButton = CreateClockPendingButton(this);
  // Tab goes down the left panel, then down the right one, as the controls are laid out.
  OrderTabStopsByLayout(this, Splitter1->geometry().right());
  // Every digit of the memory pointer shows, up to 64184,25.
  KeepWholeTextVisible(Edit1);
  AbRockerSwitch1->setCaptionTexts({QStringLiteral("CONECTAR"), QStringLiteral("DESCONECTAR")});

  Timer2 = new QTimer(this);
  Timer2->setObjectName(QStringLiteral("Timer2"));
  Timer2->setInterval(100);
  Timer2->start();
}
