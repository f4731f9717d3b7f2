// The comparison window: station choice and period, read through the archive module, drawn through
// the chart module.
#include "app/StationComparisonWindow.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QShowEvent>
#include <QTimer>
#include <iterator>
#include <memory>
#include <utility>

#include "app/ArchiveModuleLoader.h"
#include "app/DownloadArchiver.h"
#include "app/ListWindowLook.h"
#include "app/PanelColors.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveModule.h"
#include "charts/ChartModule.h"
#include "widgets/ColorButton.h"
#include "widgets/GradientPanel.h"
#include "window_base/ErrorReport.h"
#include "window_base/FormLook.h"

namespace {

constexpr int kPeriodPauseMs = 300;
const QColor kMoneyGreen(192, 220, 192);

QString Text(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The charts' seconds count local logger time as if it were UTC (see analysis::WallClockSeconds):
// the period's boxes show them that way, so that no daylight-saving change moves an hour.
QDateTime TimeOf(double seconds) {
  return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(seconds), Qt::UTC);
}

QString TimeText(double seconds) {
  return TimeOf(seconds).toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

QDateTimeEdit* MakePeriodEdit(QWidget* parent, const char* name) {
  auto* edit = new QDateTimeEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->setTimeSpec(Qt::UTC);
  edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm"));
  edit->setCalendarPopup(true);
  edit->setEnabled(false);
  return edit;
}

QCheckBox* MakeWhiteBox(QWidget* parent, const char* name, const QString& text,
                        const QString& hint) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QLatin1String(name));
  box->setToolTip(hint);
  box->setFont(ArialFont(11, true));
  QPalette palette = box->palette();
  palette.setColor(QPalette::WindowText, panel::kWhite);
  box->setPalette(palette);
  return box;
}

ColorButton* MakeChartButton(QWidget* window, const char* name, const QString& text,
                             const QString& hint) {
  ColorButton* button = MakeListButton(window, name, text, panel::kYellow, hint);
  button->setFixedSize(110, 28);
  return button;
}

}  // namespace

QColor StationComparisonWindow::StationColour(std::size_t index) {
  // Dark enough to read on the charts' light panels, and far apart from one another.
  static const QColor kColours[] = {QColor(220, 0, 0),   QColor(0, 0, 230),    QColor(0, 140, 0),
                                    QColor(200, 0, 200), QColor(230, 120, 0),  QColor(0, 150, 160),
                                    QColor(130, 70, 20), QColor(110, 60, 190), QColor(0, 0, 0),
                                    QColor(128, 128, 0)};
  return kColours[index % std::size(kColours)];
}

StationComparisonWindow::StationComparisonWindow(std::function<std::string()> archivePath,
                                                 QWidget* parent)
    : QDialog(parent, CloseBoxOnlyFlags()), archivePath_(std::move(archivePath)) {
  setObjectName(QStringLiteral("StationComparisonWindow"));
  setWindowTitle(QStringLiteral("COMPARAR ESTACIONES"));
  setFont(DialogFont(11));
  resize(1100, 760);
  setMinimumSize(760, 520);
  periodTimer_ = new QTimer(this);
  periodTimer_->setSingleShot(true);
  periodTimer_->setInterval(kPeriodPauseMs);
  connect(periodTimer_, &QTimer::timeout, this, &StationComparisonWindow::Apply);
  BuildControls();
}

QWidget* StationComparisonWindow::BuildChoices() {
  auto* choices = new QWidget(this);
  choices->setFixedWidth(230);
  auto* title = new QLabel(QStringLiteral("Estaciones:"), choices);
  title->setFont(ArialFont(11, true));
  QPalette white = title->palette();
  white.setColor(QPalette::WindowText, panel::kWhite);
  title->setPalette(white);

  stations_ = new QListWidget(choices);
  stations_->setObjectName(QStringLiteral("ComparedStations"));
  stations_->setToolTip(QStringLiteral("Marque las estaciones que quiere ver en los gráficos"));
  stations_->setFont(ArialFont(11));
  QPalette listPalette = stations_->palette();
  listPalette.setColor(QPalette::Base, kMoneyGreen);
  stations_->setPalette(listPalette);
  connect(stations_, &QListWidget::itemChanged, this, &StationComparisonWindow::Apply);

  fromBox_ = MakeWhiteBox(choices, "FromBox", QStringLiteral("Desde:"),
                          QStringLiteral("Mostrar solo las muestras desde esta fecha y hora"));
  fromEdit_ = MakePeriodEdit(choices, "FromEdit");
  toBox_ = MakeWhiteBox(choices, "ToBox", QStringLiteral("Hasta:"),
                        QStringLiteral("Mostrar solo las muestras hasta este minuto incluido"));
  toEdit_ = MakePeriodEdit(choices, "ToEdit");
  for (auto [box, edit] : {std::pair{fromBox_, fromEdit_}, std::pair{toBox_, toEdit_}}) {
    connect(box, &QCheckBox::toggled, edit, &QWidget::setEnabled);
    connect(box, &QCheckBox::toggled, this, &StationComparisonWindow::Apply);
    connect(edit, &QDateTimeEdit::dateTimeChanged, this, [this, box = box] {
      if (box->isChecked()) periodTimer_->start();
    });
  }

  auto* gestures = new QLabel(
      QStringLiteral("Zoom: arrastre con el botón izquierdo de izquierda a derecha y de arriba "
                     "hacia abajo; en otra dirección vuelve a la vista completa. Mover: arrastre "
                     "con el botón derecho. Con el gráfico elegido: + y - acercan y alejan, las "
                     "flechas mueven, Inicio vuelve a la vista completa."),
      choices);
  gestures->setWordWrap(true);
  gestures->setFont(ArialFont(10));
  gestures->setPalette(white);

  auto* layout = new QVBoxLayout(choices);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  layout->addWidget(title);
  layout->addWidget(stations_, 1);
  layout->addSpacing(6);
  layout->addWidget(fromBox_);
  layout->addWidget(fromEdit_);
  layout->addWidget(toBox_);
  layout->addWidget(toEdit_);
  layout->addSpacing(6);
  layout->addWidget(gestures);
  return choices;
}

void StationComparisonWindow::BuildControls() {
  background_ = MakeListBackground(this);
  auto* heading = MakeListHeading(QStringLiteral(" C O M P A R A R   E S T A C I O N E S "), this);

  auto* charts = new QVBoxLayout;
  charts->setSpacing(4);
  const struct {
    bool temperature;
    const char* copyName;
    const char* printName;
    QString what;
  } kinds[] = {{true, "CopyTemperatureButton", "PrintTemperatureButton",
                QStringLiteral("el gráfico de temperatura")},
               {false, "CopyHumidityButton", "PrintHumidityButton",
                QStringLiteral("el gráfico de humedad")}};
  for (const auto& kind : kinds) {
    QWidget*& holder = kind.temperature ? temperatureHolder_ : humidityHolder_;
    holder = new QWidget(this);
    LineChart* const* chart = kind.temperature ? &temperature_ : &humidity_;
    ColorButton* copy = MakeChartButton(this, kind.copyName, QStringLiteral("COPIAR"),
                                        QStringLiteral("Copiar %1 al portapapeles").arg(kind.what));
    connect(copy, &ColorButton::clicked, this, [this, chart] { CopyChart(*chart); });
    ColorButton* print =
        MakeChartButton(this, kind.printName, QStringLiteral("IMPRIMIR"),
                        QStringLiteral("Vista previa e impresión de %1").arg(kind.what));
    connect(print, &ColorButton::clicked, this, [this, chart] { PrintChart(*chart); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(copy);
    buttons->addWidget(print);
    charts->addLayout(buttons);
    charts->addWidget(holder, 1);
  }

  auto* body = new QHBoxLayout;
  body->setSpacing(10);
  body->addWidget(BuildChoices());
  body->addLayout(charts, 1);

  place_ = MakeArchivePlace(this);
  closeButton_ = MakeListButton(this, "CloseButton", QStringLiteral("CERRAR"), panel::kYellow,
                                QStringLiteral("Cerrar esta ventana"));
  connect(closeButton_, &ColorButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(closeButton_);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 9);
  layout->setSpacing(6);
  layout->addWidget(heading, 0, Qt::AlignHCenter);
  layout->addLayout(body, 1);
  layout->addWidget(place_);
  layout->addLayout(buttons);
}

void StationComparisonWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  CentreOnScreen(this);
  Reload();
  stations_->setFocus();
}

void StationComparisonWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  background_->setGeometry(rect());
}

bool StationComparisonWindow::MakeCharts() {
  if (temperature_ && humidity_) return true;
  try {
    ChartModule& module = LoadChartModule();
    if (!temperature_) temperature_ = module.MakeComparisonChart(*temperatureHolder_, true);
    if (!humidity_) humidity_ = module.MakeComparisonChart(*humidityHolder_, false);
    return true;
  } catch (const std::exception& error) {
    ShowPlace(QStringLiteral("No se pueden dibujar los gráficos: %1").arg(Text(error.what())));
    return false;
  }
}

void StationComparisonWindow::Reload() {
  periodTimer_->stop();
  records_.Clear();
  path_ = archivePath_ ? archivePath_() : std::string();
  std::vector<StationView> stations;
  QString problem;
  if (path_.empty()) {
    problem = QStringLiteral("Sin archivo de descargas.");
  } else {
    try {
      stations = LoadArchiveModule().ReadStations(path_);
      if (stations.empty())
        problem = QStringLiteral("No hay estaciones en el archivo %1.").arg(Text(path_));
    } catch (const ArchiveError& error) {
      problem = QStringLiteral("Sin archivo: %1.").arg(ArchiveProblemText(error, path_));
    } catch (const std::exception& error) {
      problem = Text(error.what());
    }
  }
  {
    const QSignalBlocker quiet(stations_);
    stations_->clear();
    for (std::size_t k = 0; k < stations.size(); ++k) {
      QPixmap swatch(14, 14);
      swatch.fill(StationColour(k));
      auto* item = new QListWidgetItem(QIcon(swatch), Text(stations[k].settings.name), stations_);
      item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
      item->setCheckState(Qt::Checked);
    }
  }
  Apply();
  if (!problem.isEmpty()) ShowPlace(problem);
}

void StationComparisonWindow::Apply() {
  periodTimer_->stop();
  if (!MakeCharts()) return;
  std::vector<std::string> names;
  std::vector<QColor> colours;
  for (int row = 0; row < stations_->count(); ++row) {
    const QListWidgetItem* item = stations_->item(row);
    if (item->checkState() != Qt::Checked) continue;
    names.push_back(item->text().toStdString());
    colours.push_back(StationColour(static_cast<std::size_t>(row)));
  }
  record::TimeWindow window;
  if (fromBox_->isChecked()) window.from = fromEdit_->dateTime().toSecsSinceEpoch();
  // The box shows minutes: its minute is included whole.
  if (toBox_->isChecked()) window.to = toEdit_->dateTime().toSecsSinceEpoch() + 59;
  if (window.from && window.to && *window.from > *window.to) {
    ShowPlace(
        QStringLiteral("El periodo no vale: «Desde» es posterior a «Hasta». Los gráficos "
                       "siguen como estaban."));
    return;
  }

  record::Comparison comparison;
  if (!names.empty()) {
    std::unique_ptr<ArchiveStore> store;
    try {
      comparison = records_.Compare(
          [&]() -> ArchiveStore& {
            store = LoadArchiveModule().Open(path_);
            return *store;
          },
          names, window);
    } catch (const ArchiveError& error) {
      ShowPlace(
          QStringLiteral("No se pudo leer el archivo: %1.").arg(ArchiveProblemText(error, path_)));
      return;
    } catch (const std::exception& error) {
      ShowPlace(Text(error.what()));
      return;
    }
  }
  ChartModule& module = LoadChartModule();
  module.ShowComparison(*temperature_, comparison, true, colours);
  module.ShowComparison(*humidity_, comparison, false, colours);

  // Until the operator sets a period, its boxes offer the span drawn.
  if (!comparison.empty()) {
    if (!fromBox_->isChecked()) {
      const QSignalBlocker quiet(fromEdit_);
      fromEdit_->setDateTime(TimeOf(comparison.first));
    }
    if (!toBox_->isChecked()) {
      const QSignalBlocker quiet(toEdit_);
      toEdit_->setDateTime(TimeOf(comparison.last));
    }
  }
  if (names.empty()) {
    ShowPlace(QStringLiteral("Marque las estaciones que quiere comparar."));
  } else if (comparison.empty()) {
    ShowPlace(QStringLiteral("Ninguna estación marcada tiene muestras en el periodo elegido."));
  } else {
    std::size_t samples = 0;
    for (const record::ComparedStation& station : comparison.stations) samples += station.samples;
    const QString stationsText = names.size() == 1
                                     ? QStringLiteral("1 estación")
                                     : QStringLiteral("%1 estaciones").arg(names.size());
    ShowPlace(
        QStringLiteral("%1 muestras de %2, del %3 al %4. Archivo: %5")
            .arg(samples)
            .arg(stationsText, TimeText(comparison.first), TimeText(comparison.last), Text(path_)));
  }
}

QString StationComparisonWindow::PlaceText() const {
  return place_->text();
}

void StationComparisonWindow::ShowPlace(const QString& text) {
  place_->setText(text);
  place_->setToolTip(text);
}

void StationComparisonWindow::CopyChart(LineChart* chart) {
  if (!chart) return;
  RunReportingErrors(this, [chart] { LoadChartModule().CopyToClipboard(*chart); });
}

void StationComparisonWindow::PrintChart(LineChart* chart) {
  if (!chart) return;
  RunReportingErrors(this, [this, chart] { LoadChartModule().ShowPrintPreview(*chart, this); });
}
