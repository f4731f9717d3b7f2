// The stations window, read from the archive through its module.
#include "app/StationsWindow.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QShowEvent>
#include <QTableWidget>
#include <QTimer>
#include <chrono>

#include "app/AlarmsWindow.h"
#include "app/ArchiveModuleLoader.h"
#include "app/DownloadArchiver.h"
#include "app/ListWindowLook.h"
#include "app/PanelColors.h"
#include "app/StationComparisonWindow.h"
#include "app/StationRows.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveModule.h"
#include "widgets/ColorButton.h"
#include "widgets/GradientPanel.h"
#include "window_base/FormLook.h"
#include "window_base/ModalWindow.h"

namespace {

const QColor kMoneyGreen(192, 220, 192);

}  // namespace

StationsWindow::StationsWindow(std::function<std::string()> archivePath, QWidget* parent)
    : QDialog(parent, CloseBoxOnlyFlags()), archivePath_(std::move(archivePath)) {
  setObjectName(QStringLiteral("StationsWindow"));
  setWindowTitle(QStringLiteral("ESTACIONES"));
  setFont(DialogFont(11));
  resize(1200, 300);  // every column whole on a common screen
  setMinimumSize(420, 200);
  BuildControls();
  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("StationsRefreshTimer"));
  timer_->setInterval(kRefreshMs);
  connect(timer_, &QTimer::timeout, this, &StationsWindow::Refresh);
}

void StationsWindow::BuildControls() {
  background_ = MakeListBackground(this);
  auto* heading = MakeListHeading(QStringLiteral(" E S T A C I O N E S "), this);

  table_ = new QTableWidget(0, kStationColumnCount, this);
  table_->setObjectName(QStringLiteral("StationsTable"));
  QStringList headings;
  for (const std::string& text : StationHeadings()) headings << QString::fromStdString(text);
  table_->setHorizontalHeaderLabels(headings);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setTabKeyNavigation(false);
  table_->setWordWrap(false);
  table_->setFont(ArialFont(11));
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->horizontalHeader()->setHighlightSections(false);
  QPalette tablePalette = table_->palette();
  tablePalette.setColor(QPalette::Base, kMoneyGreen);
  tablePalette.setColor(QPalette::Text, panel::kRed);
  table_->setPalette(tablePalette);

  place_ = MakeArchivePlace(this);

  alarmsButton_ = MakeListButton(this, "AlarmsButton", QStringLiteral("ALARMAS"), panel::kSkyBlue,
                                 QStringLiteral("Alarmas de las estaciones, abiertas y pasadas"));
  connect(alarmsButton_, &ColorButton::clicked, this, &StationsWindow::AlarmsButtonClick);
  compareButton_ =
      MakeListButton(this, "CompareButton", QStringLiteral("COMPARAR"), panel::kLime,
                     QStringLiteral("Temperatura y humedad de varias estaciones en dos gráficos, "
                                    "sobre un mismo eje de tiempo"));
  connect(compareButton_, &ColorButton::clicked, this, &StationsWindow::CompareButtonClick);
  closeButton_ = MakeListButton(this, "CloseButton", QStringLiteral("CERRAR"), panel::kYellow,
                                QStringLiteral("Cerrar esta ventana"));
  connect(closeButton_, &ColorButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(alarmsButton_);
  buttons->addSpacing(20);
  buttons->addWidget(compareButton_);
  buttons->addSpacing(20);
  buttons->addWidget(closeButton_);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 9);
  layout->setSpacing(6);
  layout->addWidget(heading, 0, Qt::AlignHCenter);
  layout->addWidget(table_, 1);
  layout->addWidget(place_);
  layout->addLayout(buttons);
  setTabOrder(table_, alarmsButton_);
  setTabOrder(alarmsButton_, compareButton_);
  setTabOrder(compareButton_, closeButton_);
}

void StationsWindow::AlarmsButtonClick() {
  if (!alarms_) alarms_ = new AlarmsWindow(archivePath_, this);
  ShowModal(alarms_);
}

void StationsWindow::CompareButtonClick() {
  if (!comparison_) comparison_ = new StationComparisonWindow(archivePath_, this);
  ShowModal(comparison_);
}

void StationsWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  CentreOnScreen(this);
  Refresh();
  timer_->start();
}

void StationsWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) timer_->stop();
}

void StationsWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  background_->setGeometry(rect());
}

void StationsWindow::Refresh() {
  const std::string path = archivePath_ ? archivePath_() : std::string();
  std::vector<StationView> stations;
  if (path.empty()) {
    ShowPlace(QStringLiteral("Sin archivo de descargas."));
  } else {
    try {
      stations = LoadArchiveModule().ReadStations(path);
      ShowPlace(stations.empty() ? QStringLiteral("No hay estaciones en el archivo %1.")
                                       .arg(QString::fromStdString(path))
                                 : QStringLiteral("Archivo: %1").arg(QString::fromStdString(path)));
    } catch (const ArchiveError& error) {
      ShowPlace(QStringLiteral("Sin archivo: %1.").arg(ArchiveProblemText(error, path)));
    } catch (const std::exception& error) {
      ShowPlace(QString::fromStdString(error.what()));
    }
  }
  const auto now = std::chrono::system_clock::now();
  const int selected = table_->currentRow();
  table_->setRowCount(static_cast<int>(stations.size()));
  for (int row = 0; row < table_->rowCount(); ++row) {
    const StationView& station = stations[static_cast<std::size_t>(row)];
    const bool running = station.status && IsStationRunning(*station.status, now);
    const std::vector<std::string> texts = StationRowTexts(station, running);
    for (int column = 0; column < kStationColumnCount; ++column) {
      const QString text = QString::fromStdString(texts[static_cast<std::size_t>(column)]);
      QTableWidgetItem* item = table_->item(row, column);
      if (!item) {
        item = new QTableWidgetItem;
        table_->setItem(row, column, item);
      }
      item->setText(text);
      item->setToolTip(text);
      // An expired calibration stands out: its values are corrected with a lapsed certificate.
      if (column == kStationCalibration)
        item->setForeground(text.startsWith(QStringLiteral("VENCIDA")) ? QColor(Qt::red)
                                                                       : table_->palette().text());
    }
  }
  // The operator's row stays chosen across refreshes.
  if (selected >= 0 && selected < table_->rowCount()) table_->selectRow(selected);
}

QString StationsWindow::PlaceText() const {
  return place_->text();
}

void StationsWindow::ShowPlace(const QString& text) {
  place_->setText(text);
  place_->setToolTip(text);
}
