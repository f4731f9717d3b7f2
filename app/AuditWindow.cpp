// The audit trail's list, its filters, its CSV file and its printed page.
#include "app/AuditWindow.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QTableWidget>
#include <algorithm>
#include <utility>

#include "app/DownloadArchiver.h"
#include "app/ListWindowLook.h"
#include "app/PanelColors.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveModule.h"
#include "archive/AuditListing.h"
#include "data_ui/TableFileWriter.h"
#include "widgets/ColorButton.h"
#include "widgets/GradientPanel.h"
#include "window_base/ErrorReport.h"
#include "window_base/FileChoice.h"
#include "window_base/FormLook.h"

namespace {

const QColor kMoneyGreen(192, 220, 192);

constexpr AuditAction kActions[] = {
    AuditAction::kDownload,      AuditAction::kSetClock,
    AuditAction::kSetRate,       AuditAction::kStationAdd,
    AuditAction::kStationChange, AuditAction::kStationRemove,
    AuditAction::kRulesChange,   AuditAction::kCalibrationChange,
    AuditAction::kAlarmAck,      AuditAction::kExport,
    AuditAction::kReport,        AuditAction::kSign,
    AuditAction::kSignFailed,
};

const QStringList kHeadings = {QStringLiteral("N.º"),     QStringLiteral("Fecha y hora (UTC)"),
                               QStringLiteral("Usuario"), QStringLiteral("Programa"),
                               QStringLiteral("Acción"),  QStringLiteral("Estación"),
                               QStringLiteral("Objeto"),  QStringLiteral("Antes"),
                               QStringLiteral("Después"), QStringLiteral("Motivo")};

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// One entry's cells, in the headings' order.
QStringList Cells(const AuditEntry& e) {
  return {QString::number(e.id),
          Q(e.atUtc),
          Q(e.actor.user + "@" + e.actor.host),
          Q(e.actor.program + " " + e.actor.version).trimmed(),
          AuditWindow::ActionText(e.change.action),
          Q(e.change.station),
          AuditWindow::ObjectText(e.change.object),
          Q(e.change.oldValue.value_or("")),
          Q(e.change.newValue.value_or("")),
          Q(e.change.reason)};
}

}  // namespace

QString AuditWindow::ActionText(AuditAction action) {
  switch (action) {
    case AuditAction::kDownload:
      return QStringLiteral("descarga");
    case AuditAction::kSetClock:
      return QStringLiteral("puesta en hora");
    case AuditAction::kSetRate:
      return QStringLiteral("tasa de muestreo");
    case AuditAction::kStationAdd:
      return QStringLiteral("estación añadida");
    case AuditAction::kStationChange:
      return QStringLiteral("estación cambiada");
    case AuditAction::kStationRemove:
      return QStringLiteral("estación retirada");
    case AuditAction::kRulesChange:
      return QStringLiteral("reglas de alarma");
    case AuditAction::kCalibrationChange:
      return QStringLiteral("calibración");
    case AuditAction::kAlarmAck:
      return QStringLiteral("alarma reconocida");
    case AuditAction::kExport:
      return QStringLiteral("exportación");
    case AuditAction::kReport:
      return QStringLiteral("informe");
    case AuditAction::kSign:
      return QStringLiteral("firma");
    case AuditAction::kSignFailed:
      return QStringLiteral("firma fallida");
  }
  return QString();
}

QString AuditWindow::ObjectText(const std::string& object) {
  // The trail keeps its objects as the programs wrote them; the window says them in Spanish.
  static const std::pair<const char*, const char*> kKinds[] = {
      {"download ", "descarga "},       {"station ", "estación "}, {"alarm ", "alarma "},
      {"calibration ", "calibración "}, {"rules ", "reglas de "},  {"signature ", "firma "},
      {"logger ", "logger en "}};
  QString text = Q(object);
  for (const auto& [english, spanish] : kKinds) {
    const QString prefix = QString::fromLatin1(english);
    if (!text.startsWith(prefix)) continue;
    text = QString::fromUtf8(spanish) + text.mid(prefix.size());
    break;
  }
  if (!text.startsWith(QStringLiteral("estación "))) return text;
  if (text.endsWith(QStringLiteral(" notifications")))
    return text.chopped(14) + QStringLiteral(" (avisos)");
  if (text.endsWith(QStringLiteral(" central archive")))
    return text.chopped(16) + QStringLiteral(" (archivo central)");
  // A station's period: "station NAME FROM TO", the times as samples' stamps.
  QStringList words = text.split(QLatin1Char(' '));
  const auto stamp = [](const QString& word) {
    return QDateTime::fromString(word, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
  };
  if (words.size() >= 4 && stamp(words[words.size() - 2]).isValid() &&
      stamp(words.back()).isValid()) {
    const QString to = stamp(words.takeLast()).toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    const QString from = stamp(words.takeLast()).toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    return words.join(QLatin1Char(' ')) + QStringLiteral(", %1 – %2").arg(from, to);
  }
  return text;
}

AuditWindow::AuditWindow(DownloadArchiver& archiver, Printer printer, QWidget* parent)
    : QDialog(parent, CloseBoxOnlyFlags()), archiver_(archiver), printer_(std::move(printer)) {
  setObjectName(QStringLiteral("AuditWindow"));
  setWindowTitle(QStringLiteral("AUDITORÍA"));
  setFont(DialogFont(11));
  resize(900, 420);
  setMinimumSize(620, 260);
  BuildControls();
}

void AuditWindow::BuildControls() {
  background_ = MakeListBackground(this);
  auto* heading = MakeListHeading(QStringLiteral(" A U D I T O R Í A "), this);

  station_ = new QComboBox(this);
  station_->setObjectName(QStringLiteral("StationFilter"));
  action_ = new QComboBox(this);
  action_->setObjectName(QStringLiteral("ActionFilter"));
  action_->addItem(QStringLiteral("Todas"), -1);
  for (const AuditAction action : kActions)
    action_->addItem(ActionText(action), static_cast<int>(action));
  text_ = new QLineEdit(this);
  text_->setObjectName(QStringLiteral("TextFilter"));
  text_->setPlaceholderText(QStringLiteral("Texto en cualquier campo"));
  text_->setClearButtonEnabled(true);
  auto* filters = new QHBoxLayout;
  for (const auto& [label, field] :
       {std::pair{QStringLiteral("Estación:"), static_cast<QWidget*>(station_)},
        std::pair{QStringLiteral("Acción:"), static_cast<QWidget*>(action_)},
        std::pair{QStringLiteral("Texto:"), static_cast<QWidget*>(text_)}}) {
    auto* name = new QLabel(label, this);
    name->setStyleSheet(QStringLiteral("color: white"));
    name->setBuddy(field);
    filters->addWidget(name);
    filters->addWidget(field, field == text_ ? 1 : 0);
  }
  connect(station_, &QComboBox::currentIndexChanged, this, [this] { ApplyFilters(); });
  connect(action_, &QComboBox::currentIndexChanged, this, [this] { ApplyFilters(); });
  connect(text_, &QLineEdit::textChanged, this, [this] { ApplyFilters(); });

  list_ = new QTableWidget(0, static_cast<int>(kHeadings.size()), this);
  list_->setObjectName(QStringLiteral("AuditList"));
  list_->setHorizontalHeaderLabels(kHeadings);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setWordWrap(false);
  list_->setFont(ArialFont(10));
  list_->verticalHeader()->hide();
  // Every column takes the width of its contents up to a limit, so that the reason stays in view
  // on the right; the operator may widen any column, the list then scrolls sideways, and each
  // cell's tool-tip holds the whole text.
  list_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  QPalette listPalette = list_->palette();
  listPalette.setColor(QPalette::Base, kMoneyGreen);
  listPalette.setColor(QPalette::Text, panel::kRed);
  list_->setPalette(listPalette);

  place_ = MakeArchivePlace(this);
  exportButton_ =
      MakeListButton(this, "ExportButton", QStringLiteral("EXPORTAR CSV…"), panel::kYellow,
                     QStringLiteral("Guardar las entradas listadas en un archivo CSV"));
  printButton_ = MakeListButton(this, "PrintButton", QStringLiteral("IMPRIMIR…"), panel::kAqua,
                                QStringLiteral("Imprimir las entradas listadas"));
  connect(exportButton_, &ColorButton::clicked, this, [this] { ExportClick(); });
  connect(printButton_, &ColorButton::clicked, this, [this] { PrintClick(); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(exportButton_);
  buttons->addSpacing(40);
  buttons->addWidget(printButton_);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 9);
  layout->setSpacing(6);
  layout->addWidget(heading, 0, Qt::AlignHCenter);
  layout->addLayout(filters);
  layout->addWidget(list_, 1);
  layout->addWidget(place_);
  layout->addLayout(buttons);
}

void AuditWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  background_->setGeometry(rect());
}

void AuditWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  CentreOnScreen(this);
  Refresh();
}

void AuditWindow::Refresh() {
  const QString file = Q(archiver_.path());
  entries_.clear();
  ArchiveStore* archive = archiver_.Archive();
  QString place;
  if (!archive) {
    place = file.isEmpty() ? QStringLiteral("Sin archivo de descargas.")
                           : QStringLiteral("Sin archivo: %1.").arg(archiver_.ProblemText());
  } else {
    try {
      entries_ = archive->AuditEntries();
      place = QStringLiteral("Archivo: %1").arg(file);
    } catch (const ArchiveError& error) {
      place = QStringLiteral("Sin archivo: %1.").arg(ArchiveProblemText(error, archiver_.path()));
    }
  }
  place_->setText(place);
  place_->setToolTip(place);
  FillStationChoices();
  ApplyFilters();
}

void AuditWindow::FillStationChoices() {
  const QString kept = station_->currentData().toString();
  QStringList names;
  for (const AuditEntry& e : entries_)
    if (!e.change.station.empty() && !names.contains(Q(e.change.station)))
      names.push_back(Q(e.change.station));
  names.sort();
  const QSignalBlocker quiet(station_);
  station_->clear();
  station_->addItem(QStringLiteral("Todas"), QString());
  for (const QString& name : names) station_->addItem(name, name);
  const int index = station_->findData(kept);
  station_->setCurrentIndex(index < 0 ? 0 : index);
}

void AuditWindow::ApplyFilters() {
  AuditFilter filter;
  filter.station = station_->currentData().toString().toStdString();
  const int action = action_->currentData().toInt();
  if (action >= 0) filter.action = static_cast<AuditAction>(action);
  filter.text = text_->text().trimmed().toStdString();
  shown_.clear();
  for (const AuditEntry& e : entries_)
    if (AuditEntryMatches(e, filter)) shown_.push_back(e);
  list_->setRowCount(static_cast<int>(shown_.size()));
  for (int row = 0; row < static_cast<int>(shown_.size()); ++row) {
    const QStringList cells = Cells(shown_[static_cast<std::size_t>(row)]);
    for (int column = 0; column < cells.size(); ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setToolTip(cells[column]);
      list_->setItem(row, column, item);
    }
  }
  FitColumns();
  exportButton_->setEnabled(!shown_.empty());
  printButton_->setEnabled(!shown_.empty());
}

void AuditWindow::FitColumns() {
  // The widest columns (object, values) give way first, so that every column starts in view.
  static const int kMost[] = {50, 140, 120, 120, 110, 90, 160, 120, 120, 0};
  QHeaderView* header = list_->horizontalHeader();
  for (int column = 0; column + 1 < list_->columnCount(); ++column) {
    list_->resizeColumnToContents(column);
    header->resizeSection(column, std::min(header->sectionSize(column), kMost[column]));
  }
}

bool AuditWindow::ExportClick() {
  QString path;
  if (std::optional<QString> answer = AnsweredFileChoice(this, QStringLiteral("csv"))) {
    path = *answer;
  } else {
    path = QFileDialog::getSaveFileName(this, QStringLiteral("Exportar la auditoría"),
                                        QStringLiteral("auditoria.csv"),
                                        QStringLiteral("CSV (*.csv);;Todos (*)"));
  }
  return !path.isEmpty() && ExportTo(path);
}

bool AuditWindow::ExportTo(const QString& path) {
  TableFileWriter writer;
  if (!writer.WriteBytes(path, AuditCsv(shown_))) {
    ShowErrorReport(this, writer.ErrorText());
    return false;
  }
  return true;
}

QString AuditWindow::PrintedHtml() const {
  QString html = QStringLiteral(
                     "<h3>Auditoría — %1</h3><table border=1 cellspacing=0 "
                     "cellpadding=2 style='font-size:7pt'><tr>")
                     .arg(Q(archiver_.path()).toHtmlEscaped());
  for (const QString& heading : kHeadings) html += QStringLiteral("<th>%1</th>").arg(heading);
  html += QStringLiteral("</tr>");
  for (const AuditEntry& e : shown_) {
    html += QStringLiteral("<tr>");
    for (const QString& cell : Cells(e))
      html += QStringLiteral("<td>%1</td>").arg(cell.toHtmlEscaped());
    html += QStringLiteral("</tr>");
  }
  return html + QStringLiteral("</table>");
}

void AuditWindow::PrintClick() {
  if (printer_) printer_(this, PrintedHtml());
}
