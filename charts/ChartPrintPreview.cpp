#include "charts/ChartPrintPreview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <stdexcept>

#include "charts/LineChart.h"
#include "window_base/ErrorReport.h"

namespace {

constexpr int kDefaultMarginPercent = 10;
constexpr int kMaximumMarginPercent = 45;

}  // namespace

QString ChartPrintPreview::PdfFileEntry() {
  return QStringLiteral("Archivo PDF");
}

ChartPrintPreview::ChartPrintPreview(LineChart& chart, QWidget* owner)
    : QDialog(owner), chart_(chart) {
  setWindowTitle(QStringLiteral("Vista previa de impresión"));
  setModal(true);
  resize(760, 560);

  printers_ = new QComboBox;
  printers_->addItems(QPrinterInfo::availablePrinterNames());
  printers_->addItem(PdfFileEntry());
  const int defaultPrinter = printers_->findText(QPrinterInfo::defaultPrinterName());
  printers_->setCurrentIndex(defaultPrinter >= 0 ? defaultPrinter : printers_->count() - 1);
  auto* setup = new QPushButton(QStringLiteral("Configurar..."));

  portrait_ = new QRadioButton(QStringLiteral("Vertical"));
  landscape_ = new QRadioButton(QStringLiteral("Horizontal"));
  landscape_->setChecked(true);
  auto* orientation = new QGroupBox(QStringLiteral("Papel"));
  auto* orientationLayout = new QVBoxLayout(orientation);
  orientationLayout->addWidget(portrait_);
  orientationLayout->addWidget(landscape_);

  auto* margins = new QGroupBox(QStringLiteral("Márgenes (%)"));
  auto* marginsLayout = new QFormLayout(margins);
  const QString marginNames[4] = {QStringLiteral("Izquierdo"), QStringLiteral("Superior"),
                                  QStringLiteral("Derecho"), QStringLiteral("Inferior")};
  for (int i = 0; i < 4; ++i) {
    margins_[i] = new QSpinBox;
    margins_[i]->setRange(0, kMaximumMarginPercent);
    margins_[i]->setValue(kDefaultMarginPercent);
    marginsLayout->addRow(marginNames[i], margins_[i]);
  }

  detail_ = new QSlider(Qt::Horizontal);
  detail_->setRange(0, 100);
  detail_->setValue(0);
  proportional_ = new QCheckBox(QStringLiteral("Impresión proporcional"));
  proportional_->setChecked(true);

  auto* print = new QPushButton(QStringLiteral("Imprimir"));
  auto* close = new QPushButton(QStringLiteral("Cerrar"));

  auto* side = new QVBoxLayout;
  side->addWidget(new QLabel(QStringLiteral("Impresora:")));
  side->addWidget(printers_);
  side->addWidget(setup);
  side->addWidget(orientation);
  side->addWidget(margins);
  side->addWidget(new QLabel(QStringLiteral("Detalle:")));
  side->addWidget(detail_);
  side->addWidget(proportional_);
  side->addStretch();
  side->addWidget(print);
  side->addWidget(close);

  preview_ = new QPrintPreviewWidget(&printer_);
  // Connected first: the preview builds its pages once, on the first update.
  connect(preview_, &QPrintPreviewWidget::paintRequested, this, &ChartPrintPreview::DrawPreview);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(preview_, 1);
  layout->addLayout(side);

  printer_.setPageOrientation(QPageLayout::Landscape);
  ChoosePrinter(printers_->currentIndex());

  connect(printers_, &QComboBox::currentIndexChanged, this, &ChartPrintPreview::ChoosePrinter);
  connect(setup, &QPushButton::clicked, this, &ChartPrintPreview::SetupPage);
  connect(landscape_, &QRadioButton::toggled, this, &ChartPrintPreview::SetLandscape);
  for (QSpinBox* margin : margins_) {
    connect(margin, &QSpinBox::valueChanged, this, &ChartPrintPreview::UpdatePreview);
  }
  connect(detail_, &QSlider::valueChanged, this, &ChartPrintPreview::UpdatePreview);
  connect(proportional_, &QCheckBox::toggled, this, &ChartPrintPreview::UpdatePreview);
  connect(print, &QPushButton::clicked, this, &ChartPrintPreview::Print);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

int ChartPrintPreview::Exec() {
  error_ = nullptr;
  const int result = exec();
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  return result;
}

ChartPrintOptions ChartPrintPreview::options() const {
  ChartPrintOptions options;
  options.leftMarginPercent = margins_[0]->value();
  options.topMarginPercent = margins_[1]->value();
  options.rightMarginPercent = margins_[2]->value();
  options.bottomMarginPercent = margins_[3]->value();
  options.proportional = proportional_->isChecked();
  options.detail = detail_->value();
  return options;
}

void ChartPrintPreview::ChoosePrinter(int index) {
  if (index < 0) return;
  const QPageLayout::Orientation orientation = printer_.pageLayout().orientation();
  if (printers_->itemText(index) == PdfFileEntry()) {
    printer_.setOutputFormat(QPrinter::PdfFormat);
  } else {
    printer_.setOutputFormat(QPrinter::NativeFormat);
    printer_.setPrinterName(printers_->itemText(index));
  }
  printer_.setPageOrientation(orientation);
  UpdatePreview();
}

void ChartPrintPreview::SetupPage() {
  QPageSetupDialog dialog(&printer_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const bool landscape = printer_.pageLayout().orientation() == QPageLayout::Landscape;
  (landscape ? landscape_ : portrait_)->setChecked(true);
  UpdatePreview();
}

void ChartPrintPreview::SetLandscape(bool landscape) {
  printer_.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  UpdatePreview();
}

void ChartPrintPreview::UpdatePreview() {
  if (preview_) preview_->updatePreview();
}

void ChartPrintPreview::DrawPreview(QPrinter* printer) {
  // The preview's own printer always starts; an error here must not cross the event loop.
  try {
    chart_.PrintTo(*printer, options());
  } catch (...) {
    error_ = std::current_exception();
    reject();
  }
}

void ChartPrintPreview::Print() {
  if (printer_.outputFormat() == QPrinter::PdfFormat && printer_.outputFileName().isEmpty()) {
    // The dialog adds the extension itself, so that it also asks before replacing "name.pdf".
    QFileDialog dialog(this, QStringLiteral("Imprimir en archivo PDF"), QString(),
                       QStringLiteral("PDF (*.pdf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    printer_.setOutputFileName(dialog.selectedFiles().constFirst());
  }
  try {
    chart_.PrintTo(printer_, options());
  } catch (const std::exception& error) {
    if (printer_.outputFormat() == QPrinter::PdfFormat) printer_.setOutputFileName(QString());
    ShowErrorReport(this, QString::fromLocal8Bit(error.what()));
    return;
  }
  accept();
}
