// The summary window: statistics of the download with limits the operator sets.
#include "data_ui/SummaryWindow.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "analysis/LimitRange.h"
#include "analysis/SummaryRows.h"
#include "data/SensorRange.h"

namespace {

const QColor kTeal(0, 128, 128);
const QColor kLime(0, 255, 0);
const QColor kSkyBlue(166, 202, 240);
const QColor kMoneyGreen(192, 220, 192);
const QColor kWhite(255, 255, 255);

QString Utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* Heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, kSkyBlue);
  palette.setColor(QPalette::WindowText, kWhite);
  label->setPalette(palette);
  return label;
}

QLineEdit* LimitBox(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->setPlaceholderText(QStringLiteral("sin límite"));
  edit->setToolTip(
      QStringLiteral("Un número con coma o punto decimal (por ejemplo 22,5); vacío: sin límite."));
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, kTeal);
  palette.setColor(QPalette::Text, kLime);
  // The placeholder light on the teal, as readable as the figures, yet not lime like them.
  palette.setColor(QPalette::PlaceholderText, QColor(205, 235, 235));
  edit->setPalette(palette);
  QFont font = edit->font();
  font.setBold(true);
  edit->setFont(font);
  return edit;
}

QString LimitText(const std::optional<double>& value) {
  return value ? Utf8(analysis::SpanishFigure(*value)) : QString();
}

}  // namespace

SummaryWindow::SummaryWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SummaryWindow"));
  setWindowTitle(QStringLiteral("RESUMEN DE LOS DATOS"));
  resize(620, 470);

  figures_ = new QTableWidget(this);
  figures_->setObjectName(QStringLiteral("Figures"));
  figures_->setColumnCount(4);
  QStringList titles = {QString()};
  for (const std::string& title : analysis::SummaryColumnTitles()) titles << Utf8(title);
  figures_->setHorizontalHeaderLabels(titles);
  figures_->verticalHeader()->hide();
  figures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // One tab stop: the arrows move inside the table, Tab goes on to the limit boxes.
  figures_->setTabKeyNavigation(false);
  // A bold heading over the focused cell's column would no longer fit its section.
  figures_->horizontalHeader()->setHighlightSections(false);
  figures_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  figures_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  QPalette palette = figures_->palette();
  palette.setColor(QPalette::Base, kMoneyGreen);
  figures_->setPalette(palette);

  humidityLow = LimitBox("HumidityLow", this);
  humidityHigh = LimitBox("HumidityHigh", this);
  temperatureLow = LimitBox("TemperatureLow", this);
  temperatureHigh = LimitBox("TemperatureHigh", this);
  applyButton = new QPushButton(QStringLiteral("APLICAR"), this);
  applyButton->setObjectName(QStringLiteral("ApplyLimits"));
  applyButton->setToolTip(QStringLiteral("Recalcula el resumen con estos límites."));
  problem_ = new QLabel(this);
  problem_->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));

  auto* limits = new QGridLayout;
  limits->addWidget(Heading(QStringLiteral(" L\u00cdMITES "), this), 0, 0, 1, 3);
  limits->addWidget(new QLabel(QStringLiteral("Mínimo"), this), 1, 1);
  limits->addWidget(new QLabel(QStringLiteral("Máximo"), this), 1, 2);
  limits->addWidget(new QLabel(QStringLiteral("Humedad relativa (%)"), this), 2, 0);
  limits->addWidget(humidityLow, 2, 1);
  limits->addWidget(humidityHigh, 2, 2);
  limits->addWidget(new QLabel(QStringLiteral("Temperatura (°C)"), this), 3, 0);
  limits->addWidget(temperatureLow, 3, 1);
  limits->addWidget(temperatureHigh, 3, 2);
  limits->addWidget(applyButton, 2, 3, 2, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Heading(QStringLiteral(" R E S U M E N "), this));
  layout->addWidget(figures_, 1);
  layout->addLayout(limits);
  layout->addWidget(problem_);

  // Return in a limit box applies the limits through the box alone: the button is not the
  // dialog's default, which would apply them a second time.
  applyButton->setAutoDefault(false);
  connect(applyButton, &QPushButton::clicked, this, [this] { ApplyLimits(); });
  for (QLineEdit* box : {humidityLow, humidityHigh, temperatureLow, temperatureHigh})
    connect(box, &QLineEdit::returnPressed, this, [this] { ApplyLimits(); });
}

void SummaryWindow::ShowTable(const SampleTable& table) {
  table_ = table;
  ShowLimitsInBoxes();
  problem_->clear();
  Refresh();
}

void SummaryWindow::SetLimits(const analysis::LimitSettings& limits) {
  limits_ = limits;
  ShowLimitsInBoxes();
  Refresh();
}

bool SummaryWindow::ApplyLimits() {
  struct Box {
    QLineEdit* edit;
    const char* name;
    std::optional<double> value;
  };
  Box boxes[] = {{humidityLow, "el mínimo de humedad", {}},
                 {humidityHigh, "el máximo de humedad", {}},
                 {temperatureLow, "el mínimo de temperatura", {}},
                 {temperatureHigh, "el máximo de temperatura", {}}};
  for (Box& box : boxes) {
    bool valid = false;
    box.value = analysis::ParseLimitNumber(box.edit->text().toStdString(), valid);
    if (!valid) {
      problem_->setText(QStringLiteral("No es un número: %1 (\"%2\").")
                            .arg(QString::fromUtf8(box.name), box.edit->text()));
      box.edit->setFocus();
      return false;
    }
  }
  const analysis::LimitSettings limits = {{boxes[0].value, boxes[1].value},
                                          {boxes[2].value, boxes[3].value}};
  const struct {
    const analysis::ChannelLimits* limits;
    SensorRange range;
    const char* name;
    const char* unit;
    QLineEdit* box;
  } channels[] = {
      {&limits.humidity, kHumidityRange, "Humedad relativa", "%", humidityLow},
      {&limits.temperature, kTemperatureRange, "Temperatura", "°C", temperatureLow},
  };
  for (const auto& channel : channels) {
    const analysis::LimitProblem why = analysis::CheckLimits(*channel.limits, channel.range);
    if (why == analysis::LimitProblem::kNone) continue;
    const QString name = QString::fromUtf8(channel.name);
    if (why == analysis::LimitProblem::kBeyondSensor) {
      problem_->setText(QStringLiteral("%1: el sensor solo da de %2 a %3 %4.")
                            .arg(name, LimitText(channel.range.lowest),
                                 LimitText(channel.range.highest),
                                 QString::fromUtf8(channel.unit)));
    } else {
      problem_->setText(
          QStringLiteral("%1: el mínimo (%2) es mayor que el máximo (%3).")
              .arg(name, LimitText(channel.limits->low), LimitText(channel.limits->high)));
    }
    // The figures must not go on showing the results of limits the operator has just replaced.
    limits_ = {};
    Refresh();
    channel.box->setFocus();
    return false;
  }
  problem_->clear();
  SetLimits(limits);
  emit LimitsApplied();
  return true;
}

QString SummaryWindow::CellText(int row, int column) const {
  const QTableWidgetItem* item = figures_->item(row, column);
  return item ? item->text() : QString();
}

int SummaryWindow::FigureRowCount() const {
  return figures_->rowCount();
}

QString SummaryWindow::LimitProblem() const {
  return problem_->text();
}

void SummaryWindow::Refresh() {
  const analysis::DownloadStatistics statistics = analysis::ComputeStatistics(table_, limits_);
  const std::vector<analysis::SummaryRow> rows = analysis::SummaryRows(table_, statistics, limits_);
  figures_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const analysis::SummaryRow& row = rows[static_cast<std::size_t>(r)];
    figures_->setItem(r, 0, new QTableWidgetItem(Utf8(row.label)));
    for (int c = 0; c < 3; ++c) {
      auto* item = new QTableWidgetItem(Utf8(row.cells[static_cast<std::size_t>(c)]));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      figures_->setItem(r, c + 1, item);
    }
  }
  figures_->resizeRowsToContents();
}

void SummaryWindow::ShowLimitsInBoxes() {
  humidityLow->setText(LimitText(limits_.humidity.low));
  humidityHigh->setText(LimitText(limits_.humidity.high));
  temperatureLow->setText(LimitText(limits_.temperature.low));
  temperatureHigh->setText(LimitText(limits_.temperature.high));
}
