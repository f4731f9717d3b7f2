#include "charts/Unit6.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>

#include "charts/ChartModule.h"
#include "data/SampleTable.h"
#include "widgets/ColorButton.h"
#include "window_base/ErrorReport.h"

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

}  // namespace

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("GRAFICO DE LOS VALORES DESCARGADOS"));
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  setFixedSize(kClientWidth, kClientHeight);

  // Plain background panel under all controls.
  auto* background = new QWidget(this);
  background->setGeometry(0, 0, kClientWidth, kClientHeight);
}

void TForm6::setVisible(bool visible) {
  if (visible) MakeButtons();
  QDialog::setVisible(visible);
}

void TForm6::MakeButtons() {
  if (AbColBitBtn1 != nullptr) return;
  AbColBitBtn1 = MakeButton(this, QStringLiteral("Copiar"), QRect(192, 4, 65, 25));
  AbColBitBtn2 = MakeButton(this, QStringLiteral("Mover"), QRect(280, 4, 65, 25));
  AbColBitBtn3 = MakeButton(this, QStringLiteral("Zoom"), QRect(364, 4, 65, 25));
  AbColBitBtn4 = MakeButton(this, QStringLiteral("Imprimir"), QRect(452, 4, 65, 25));
  AbColBitBtn5 = MakeButton(this, QStringLiteral("Copiar"), QRect(376, 248, 65, 25));
  AbColBitBtn6 = MakeButton(this, QStringLiteral("Imprimir"), QRect(456, 248, 65, 25));

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

void TForm6::SetLimitsSource(std::function<analysis::LimitSettings()> limits) {
  limitsSource_ = std::move(limits);
}

void TForm6::SetAlarmRuleSource(AlarmRuleSource rule) {
  ruleSource_ = std::move(rule);
}

std::optional<AlarmRule> TForm6::AlarmRuleOf(const SampleTable& table) const {
  if (!ruleSource_ || table.station.empty()) return std::nullopt;
  return ruleSource_(table.station);
}

QString TForm6::PanInstruction() {
  return QStringLiteral("Botón derecho del mouse sobre el gráfico.");
}

QString TForm6::ZoomInstruction() {
  return QStringLiteral(
      "Haga un rectángulo con el mouse de izquierda a derecha y de arriba hacia abajo, sobre el "
      "lugar deseado.");
}

ChartModule& TForm6::Charts() {
  ChartModule& module = LoadChartModule();
  if (!Chart1) {
    // The table is read through this window, so that a later SetTableSource still counts.
    module.BuildChartWindow(
        *this, [this] { return tableSource_ ? tableSource_() : nullptr; }, limitsSource_);
  }
  return module;
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
  ChartModule& module = Charts();
  module.FillCharts(*Chart1, *Chart2, tableSource_ ? tableSource_() : nullptr);
}

void TForm6::AbColBitBtn1Click() {
  RunReportingErrors(this, [this] { Charts().CopyToClipboard(*Chart1); });
}

void TForm6::AbColBitBtn5Click() {
  RunReportingErrors(this, [this] { Charts().CopyToClipboard(*Chart2); });
}

void TForm6::AbColBitBtn2Click() {
  ShowInstruction(PanInstruction());
}

void TForm6::AbColBitBtn3Click() {
  ShowInstruction(ZoomInstruction());
}

void TForm6::AbColBitBtn4Click() {
  ShowPrintPreview(&TForm6::Chart1);
}

void TForm6::AbColBitBtn6Click() {
  ShowPrintPreview(&TForm6::Chart2);
}

void TForm6::ShowInstruction(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmorante"), text, QMessageBox::Ok, this);
  box.exec();
}

void TForm6::ShowPrintPreview(LineChart* TForm6::*chart) {
  RunReportingErrors(this, [this, chart] {
    ChartModule& module = Charts();
    module.ShowPrintPreview(*(this->*chart), this);
  });
}
