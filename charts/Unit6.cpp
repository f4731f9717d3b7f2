#include "charts/Unit6.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <stdexcept>

#include "charts/ChartPrintPreview.h"
#include "charts/LineChart.h"
#include "data/SampleTable.h"
#include "widgets/ColorButton.h"
#include "widgets/ErrorReport.h"

namespace {

// The window is 553 x 521 pixels with its frame; the client area leaves room for a 4-pixel border
// and a 19-pixel caption.
constexpr int kClientWidth = 553 - 2 * 4;
constexpr int kClientHeight = 521 - 19 - 2 * 4;

ColorButton* MakeButton(QWidget* parent, const QString& caption, const QRect& place) {
  auto* button = new ColorButton(parent);
  button->setTextOff(caption);
  button->setTextColor(Qt::black);
  button->setFaceGradient(QColor(240, 240, 240), QColor(105, 105, 105));
  button->setBevelWidth(4);
  QFont font = button->font();
  font.setBold(true);
  button->setFont(font);
  button->setGeometry(place);
  return button;
}

LineChartLook CommonLook() {
  LineChartLook look;
  look.titleFont = QFont(QStringLiteral("Arial"), 10, QFont::Bold);
  look.titleColor = QColor(0, 0, 255);
  look.gradientTop = QColor(0xD7, 0xD7, 0xD7);
  look.frameColor = QColor(0, 0, 255);
  look.bottomAxisTitle = QStringLiteral("Muestra número: (tiempo)");
  look.axisTitleFont = QFont(QStringLiteral("Arial"), 10, QFont::Bold);
  look.axisTitleColor = QColor(0, 128, 128);
  look.seriesWidth = 2;
  return look;
}

LineChartLook TemperatureLook() {
  LineChartLook look = CommonLook();
  look.title = QStringLiteral("TEMPERATURA vs. TIEMPO");
  look.gradientBottom = QColor(0xC4, 0xFF, 0xFF);
  look.leftAxisTitle = QStringLiteral("TEMPERATURA °C");
  look.leftMinimum = -10.0;
  look.leftMaximum = 45.0;
  look.seriesName = QStringLiteral("Series1");
  look.seriesColor = QColor(255, 0, 0);
  return look;
}

LineChartLook HumidityLook() {
  LineChartLook look = CommonLook();
  look.title = QStringLiteral("HUMEDAD vs. TIEMPO");
  look.gradientBottom = QColor(0xFF, 0xFF, 0xC1);
  look.leftAxisTitle = QStringLiteral("HUMEDAD RELATIVA %");
  look.leftMinimum = 0.0;
  look.leftMaximum = 100.0;
  look.seriesName = QStringLiteral("LineSeries1");
  look.seriesColor = QColor(0, 0, 255);
  return look;
}

}  // namespace

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("GRAFICO DE LOS VALORES DESCARGADOS"));
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  setFixedSize(kClientWidth, kClientHeight);

  // Plain background panel under all controls.
  auto* background = new QWidget(this);
  background->setGeometry(0, 0, kClientWidth, kClientHeight);

  AbColBitBtn1 = MakeButton(this, QStringLiteral("Copiar"), QRect(192, 4, 65, 25));
  AbColBitBtn2 = MakeButton(this, QStringLiteral("Mover"), QRect(280, 4, 65, 25));
  AbColBitBtn3 = MakeButton(this, QStringLiteral("Zoom"), QRect(364, 4, 65, 25));
  AbColBitBtn4 = MakeButton(this, QStringLiteral("Imprimir"), QRect(452, 4, 65, 25));
  Chart1 = new LineChart(this);
  Chart1->setGeometry(6, 36, 527, 201);
  Chart1->ApplyLook(TemperatureLook());
  AbColBitBtn5 = MakeButton(this, QStringLiteral("Copiar"), QRect(376, 248, 65, 25));
  AbColBitBtn6 = MakeButton(this, QStringLiteral("Imprimir"), QRect(456, 248, 65, 25));
  Chart2 = new LineChart(this);
  Chart2->setGeometry(6, 280, 527, 201);
  Chart2->ApplyLook(HumidityLook());
  Series1 = Chart1->series();
  LineSeries1 = Chart2->series();

  connect(AbColBitBtn1, &QAbstractButton::clicked, this, &TForm6::AbColBitBtn1Click);
  connect(AbColBitBtn2, &QAbstractButton::clicked, this, &TForm6::AbColBitBtn2Click);
  connect(AbColBitBtn3, &QAbstractButton::clicked, this, &TForm6::AbColBitBtn3Click);
  connect(AbColBitBtn4, &QAbstractButton::clicked, this, &TForm6::AbColBitBtn4Click);
  connect(AbColBitBtn5, &QAbstractButton::clicked, this, &TForm6::AbColBitBtn5Click);
  connect(AbColBitBtn6, &QAbstractButton::clicked, this, &TForm6::AbColBitBtn6Click);
}

void TForm6::SetTableSource(std::function<const SampleTable*()> table) {
  tableSource_ = std::move(table);
}

QString TForm6::PanInstruction() {
  return QStringLiteral("Botón derecho del mouse sobre el gráfico.");
}

QString TForm6::ZoomInstruction() {
  return QStringLiteral(
      "Haga un rectángulo con el mouse de izquierda a derecha y de arriba hacia abajo, sobre el "
      "lugar deseado.");
}

void TForm6::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window coming back from being minimised is not a new showing.
  if (event->spontaneous()) return;
  if (const QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  RunReportingErrors(this, [this] { FormActivate(); });
}

void TForm6::FormActivate() {
  const SampleTable* table = tableSource_ ? tableSource_() : nullptr;
  // Every showing starts from the standard axes, whatever zoom or pan the last one ended with.
  Chart1->RestoreStandardView();
  Chart2->RestoreStandardView();
  // Temperature first: a failure there leaves the humidity chart as an earlier showing left it.
  Chart1->Repaint();
  Chart1->Clear();
  FillChart(*Chart1, table, &SampleNumbers::temperature);
  Chart2->Repaint();
  Chart2->Clear();
  FillChart(*Chart2, table, &SampleNumbers::humidity);
}

void TForm6::FillChart(LineChart& chart, const SampleTable* table, double SampleNumbers::*channel) {
  if (!table) return;
  for (const SampleNumbers& sample : table->samples) {
    // A sample whose line could not be decoded has an empty cell in the table: it is not a number.
    if (!sample.hasValues) throw std::runtime_error("'' is not a valid floating point value");
    chart.Append(sample.*channel);
  }
}

void TForm6::AbColBitBtn1Click() {
  RunReportingErrors(this, [this] { Chart1->CopyToClipboard(); });
}

void TForm6::AbColBitBtn5Click() {
  RunReportingErrors(this, [this] { Chart2->CopyToClipboard(); });
}

void TForm6::AbColBitBtn2Click() {
  ShowInstruction(PanInstruction());
}

void TForm6::AbColBitBtn3Click() {
  ShowInstruction(ZoomInstruction());
}

void TForm6::AbColBitBtn4Click() {
  ShowPrintPreview(*Chart1);
}

void TForm6::AbColBitBtn6Click() {
  ShowPrintPreview(*Chart2);
}

void TForm6::ShowInstruction(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmorante"), text, QMessageBox::Ok, this);
  box.exec();
}

void TForm6::ShowPrintPreview(LineChart& chart) {
  RunReportingErrors(this, [this, &chart] {
    // The chart is repainted however the preview ends, before an error is reported.
    struct RepaintOnExit {
      LineChart& chart;
      ~RepaintOnExit() { chart.Repaint(); }
    } repaint{chart};
    ChartPrintPreview preview(chart, this);
    preview.Exec();
  });
}
