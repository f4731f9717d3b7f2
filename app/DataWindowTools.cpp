// The data window's analysis button and what its menu runs.
#include "app/DataWindowTools.h"

#include <QDateTime>
#include <QEvent>
#include <QMenu>
#include <QToolButton>

#include "alarms/RecordExcursions.h"
#include "app/DataWindowSigning.h"
#include "app/ReportSignatures.h"
#include "charts/ChartModule.h"
#include "data_ui/ButtonPictures.h"
#include "data_ui/ExportFileDialog.h"
#include "data_ui/SummaryWindow.h"
#include "data_ui/Unit5.h"
#include "window_base/ErrorReport.h"
#include "window_base/ModalWindow.h"

DataWindowTools::DataWindowTools(TForm5* window) : QObject(window), window_(window) {
  // The button and its menu are made as the data window first shows (its controls are made then
  // too), so that start-up does not pay for them.
  window->installEventFilter(this);
}

bool DataWindowTools::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Show) MakeButton();
  return QObject::eventFilter(watched, event);
}

QToolButton* DataWindowTools::button() {
  MakeButton();
  return button_;
}

QMenu* DataWindowTools::menu() {
  MakeButton();
  return menu_;
}

void DataWindowTools::MakeButton() {
  if (button_ != nullptr) return;
  window_->removeEventFilter(this);
  TForm5* window = window_;
  menu_ = new QMenu(window);
  menu_->setObjectName(QStringLiteral("AnalysisMenu"));
  menu_->addAction(QStringLiteral("Resumen y límites…"), this, &DataWindowTools::ShowSummary);
  menu_->addSeparator();
  menu_->addAction(QStringLiteral("Exportar CSV…"), this,
                   [this] { Export(analysis::ExportFormat::kCsv); });
  menu_->addAction(QStringLiteral("Exportar CSV para hoja de cálculo en español…"), this,
                   [this] { Export(analysis::ExportFormat::kSpanishCsv); });
  menu_->addAction(QStringLiteral("Exportar JSON…"), this,
                   [this] { Export(analysis::ExportFormat::kJson); });
  menu_->addSeparator();
  menu_->addAction(QStringLiteral("Guardar informe PDF…"), this, &DataWindowTools::SaveReport);
  menu_->addAction(QStringLiteral("Imprimir informe…"), this, &DataWindowTools::PrintReportPage);

  // Below "GRAFICAR" (384, 156, 49 x 52), in the same column and look.
  button_ = new QToolButton(window);
  button_->setObjectName(QStringLiteral("AnalysisButton"));
  button_->setText(QStringLiteral("ANÁLISIS"));
  button_->setToolTip(
      QStringLiteral("Resumen con límites, exportación CSV o JSON e informe en PDF"));
  button_->setAutoRaise(true);
  button_->setPopupMode(QToolButton::InstantPopup);
  // A picture above the caption, as "GUARDAR" and "GRAFICAR" have.
  button_->setIcon(AnalysisPicture());
  button_->setIconSize(kButtonPictureSize);
  button_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button_->setMenu(menu_);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(8);
  button_->setFont(font);
  button_->setGeometry(384, 216, 49, 55);
  // The menu's arrow in the top right corner, clear of the caption under the picture.
  button_->setStyleSheet(
      QStringLiteral("QToolButton::menu-indicator { subcontrol-origin: padding; "
                     "subcontrol-position: top right; }"));
  // Tab goes down the column as the buttons stand: "FIRMAR", below, comes after this one.
  if (auto* sign = window->findChild<QToolButton*>(QStringLiteral("SignButton")))
    QWidget::setTabOrder(button_, sign);
  // Made in a window already showing, it shows by itself only when told.
  if (window->isVisible()) button_->show();
}

SummaryWindow* DataWindowTools::summary() {
  // Made when first wanted: most data windows are closed without it.
  if (summary_ == nullptr) summary_ = new SummaryWindow(window_);
  return summary_;
}

void DataWindowTools::ShowSummary() {
  summary()->ShowTable(window_->Table());
  ShowModal(summary_);
}

void DataWindowTools::Export(analysis::ExportFormat format) {
  ExportTableToChosenFile(window_, window_->Table(), format);
}

analysis::LimitSettings DataWindowTools::Limits() const {
  return summary_ != nullptr ? summary_->Limits() : analysis::LimitSettings{};
}

void DataWindowTools::SetAlarmRuleSource(
    std::function<std::optional<AlarmRule>(const std::string& station)> rule) {
  ruleSource_ = std::move(rule);
}

ReportContent DataWindowTools::Content() const {
  ReportContent content;
  const SampleTable& table = window_->Table();
  content.table = &table;
  if (table.origin) content.origin = ReportOriginOf(*table.origin);
  if (ruleSource_ && !table.station.empty()) {
    // The table is taken as one recording at its rate.
    if (const std::optional<AlarmRule> rule = ruleSource_(table.station))
      content.excursions = TableExcursionAlarms(table, *rule, table.station);
  }
  content.limits = Limits();
  // What the window shows from the archive is reported with its signatures.
  if (const auto* signing = window_->findChild<DataWindowSigning*>())
    content.signatures = ReportSignaturesOf(signing->Signatures());
  content.generatedAt = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
  content.today = LocalDateToday();
  return content;
}

void DataWindowTools::SaveReport() {
  QByteArray pdf;
  if (!RunReportingErrors(window_, [&] { pdf = LoadChartModule().ReportPdf(Content()); })) return;
  if (pdf.isEmpty()) {
    ShowErrorReport(window_, QStringLiteral("No se pudo componer el informe"));
    return;
  }
  WriteChosenFile(window_, QStringLiteral("Guardar informe"), QStringLiteral("PDF (*.pdf)"),
                  QStringLiteral("pdf"),
                  std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
}

void DataWindowTools::PrintReportPage() {
  RunReportingErrors(window_,
                     [this] { LoadChartModule().PrintReportWithDialog(window_, Content()); });
}
