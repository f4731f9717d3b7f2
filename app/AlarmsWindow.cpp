// The alarms window, read and acknowledged through the archive module.
#include "app/AlarmsWindow.h"

#include <QBoxLayout>
#include <QDateTime>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QTableWidget>
#include <algorithm>

#include "alarms/AlarmTexts.h"
#include "analysis/RoundedNumber.h"
#include "app/ArchiveModuleLoader.h"
#include "app/DownloadArchiver.h"
#include "app/ListWindowLook.h"
#include "app/PanelColors.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveModule.h"
#include "widgets/ColorButton.h"
#include "widgets/GradientPanel.h"
#include "window_base/ErrorReport.h"
#include "window_base/FormLook.h"

namespace {

const QColor kMoneyGreen(192, 220, 192);

QString Text(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<QString> AskComment(QWidget* parent, const Alarm& alarm) {
  bool given = false;
  const QString comment =
      QInputDialog::getText(parent, QStringLiteral("RECONOCER ALARMA"),
                            QStringLiteral("%1 de %2 desde %3.\nComentario (obligatorio):")
                                .arg(Text(AlarmKindText(alarm.kind)), Text(alarm.station),
                                     Text(SpanishStampText(alarm.startedAt))),
                            QLineEdit::Normal, QString(), &given);
  if (!given) return std::nullopt;
  return comment;
}

// A limit or peak with its unit: the channels' as the report gives them, and for the station's
// own alarms whole numbers of what they count.
std::string ValueText(const std::optional<double>& value, AlarmKind kind) {
  const char* unit = nullptr;
  switch (kind) {
    case AlarmKind::kSilent:
      unit = " min";
      break;
    case AlarmKind::kBattery:
      unit = " %";
      break;
    case AlarmKind::kMemory:
      unit = " muestras";
      break;
    case AlarmKind::kDownloadFailed:
      unit = " descargas";
      break;
    case AlarmKind::kClockDrift:
      unit = " s";
      break;
    default:
      return AlarmValueText(value, kind);
  }
  if (!value) return "—";
  return analysis::RoundedText(*value, 0, ',') + unit;
}

// An acknowledgement's time ("2026-12-08T16:40:02+01:00") as the other times show theirs, in this
// computer's local time; another text as it is.
std::string AcknowledgedAtText(const std::string& at) {
  const QDateTime when = QDateTime::fromString(QString::fromStdString(at), Qt::ISODate);
  if (!when.isValid()) return at;
  return when.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")).toStdString();
}

}  // namespace

std::vector<std::string> AlarmHeadings() {
  return {"ESTADO", "ESTACIÓN", "TIPO",    "NIVEL", "LÍMITE",
          "INICIO", "FIN",      "MINUTOS", "PICO",  "RECONOCIDA"};
}

std::vector<std::string> AlarmRowTexts(const Alarm& alarm) {
  std::string acknowledged = "-";
  if (alarm.acknowledgement) {
    const AlarmAcknowledgement& ack = *alarm.acknowledgement;
    acknowledged = ack.by + ", " + AcknowledgedAtText(ack.at) + ": " + ack.comment;
  }
  const bool excursion = alarm.samples > 0;
  return {alarm.open() ? "ABIERTA" : "cerrada",
          alarm.station.empty() ? "-" : alarm.station,
          AlarmKindText(alarm.kind),
          AlarmLevelText(alarm.level),
          ValueText(alarm.limit, alarm.kind),
          SpanishStampText(alarm.startedAt),
          alarm.endedAt ? SpanishStampText(*alarm.endedAt) : "-",
          excursion ? analysis::RoundedText(alarm.minutes, 0, ',') : "-",
          ValueText(alarm.peak, alarm.kind),
          acknowledged};
}

AlarmsWindow::AlarmsWindow(std::function<std::string()> archivePath, QWidget* parent)
    : QDialog(parent, CloseBoxOnlyFlags()), archivePath_(std::move(archivePath)) {
  setObjectName(QStringLiteral("AlarmsWindow"));
  setWindowTitle(QStringLiteral("ALARMAS"));
  setFont(DialogFont(11));
  resize(1200, 360);
  setMinimumSize(420, 200);
  BuildControls();
}

void AlarmsWindow::BuildControls() {
  background_ = MakeListBackground(this);
  auto* heading = MakeListHeading(QStringLiteral(" A L A R M A S "), this);

  const std::vector<std::string> headingTexts = AlarmHeadings();
  table_ = new QTableWidget(0, static_cast<int>(headingTexts.size()), this);
  table_->setObjectName(QStringLiteral("AlarmsTable"));
  QStringList headings;
  for (const std::string& text : headingTexts) headings << Text(text);
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
  connect(table_, &QTableWidget::itemSelectionChanged, this, &AlarmsWindow::UpdateButton);

  place_ = MakeArchivePlace(this);

  acknowledgeButton_ =
      MakeListButton(this, "AcknowledgeButton", QStringLiteral("RECONOCER…"), panel::kLime,
                     QStringLiteral("Reconocer la alarma elegida, con un comentario"));
  connect(acknowledgeButton_, &ColorButton::clicked, this, &AlarmsWindow::AcknowledgeChosen);
  closeButton_ = MakeListButton(this, "CloseButton", QStringLiteral("CERRAR"), panel::kYellow,
                                QStringLiteral("Cerrar esta ventana"));
  connect(closeButton_, &ColorButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(acknowledgeButton_);
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
  setTabOrder(table_, acknowledgeButton_);
  setTabOrder(acknowledgeButton_, closeButton_);
  UpdateButton();
}

void AlarmsWindow::SetCommentQuestion(CommentQuestion question) {
  commentQuestion_ = std::move(question);
}

void AlarmsWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  CentreOnScreen(this);
  Refresh();
}

void AlarmsWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  background_->setGeometry(rect());
}

void AlarmsWindow::Refresh() {
  const std::string path = archivePath_ ? archivePath_() : std::string();
  // The chosen alarm by its id (0: none), to choose it again among the alarms read anew.
  const int chosenRow = table_->currentRow();
  const std::int64_t chosen = chosenRow >= 0 && chosenRow < static_cast<int>(alarms_.size())
                                  ? alarms_[static_cast<std::size_t>(chosenRow)].id
                                  : 0;
  alarms_.clear();
  if (path.empty()) {
    ShowPlace(QStringLiteral("Sin archivo de descargas."));
  } else {
    try {
      alarms_ = LoadArchiveModule().ReadAlarms(path);
      ShowPlace(alarms_.empty() ? QStringLiteral("No hay alarmas en el archivo %1.").arg(Text(path))
                                : QStringLiteral("Archivo: %1").arg(Text(path)));
    } catch (const ArchiveError& error) {
      ShowPlace(QStringLiteral("Sin archivo: %1.").arg(ArchiveProblemText(error, path)));
    } catch (const std::exception& error) {
      ShowPlace(Text(error.what()));
    }
  }
  // Open alarms first; each part keeps the archive's order, newest first.
  std::stable_partition(alarms_.begin(), alarms_.end(), [](const Alarm& a) { return a.open(); });
  table_->clearSelection();
  table_->setRowCount(static_cast<int>(alarms_.size()));
  for (int row = 0; row < table_->rowCount(); ++row) {
    const std::vector<std::string> texts = AlarmRowTexts(alarms_[static_cast<std::size_t>(row)]);
    for (int column = 0; column < table_->columnCount(); ++column) {
      const QString text = Text(texts[static_cast<std::size_t>(column)]);
      QTableWidgetItem* item = table_->item(row, column);
      if (!item) {
        item = new QTableWidgetItem;
        table_->setItem(row, column, item);
      }
      item->setText(text);
      item->setToolTip(text);
    }
    if (chosen != 0 && alarms_[static_cast<std::size_t>(row)].id == chosen) table_->selectRow(row);
  }
  UpdateButton();
}

void AlarmsWindow::UpdateButton() {
  const int row = table_->currentRow();
  const bool chosen =
      !table_->selectedItems().isEmpty() && row >= 0 && row < static_cast<int>(alarms_.size());
  acknowledgeButton_->setEnabled(chosen && !alarms_[static_cast<std::size_t>(row)].acknowledgement);
}

void AlarmsWindow::AcknowledgeChosen() {
  const int row = table_->currentRow();
  if (row < 0 || row >= static_cast<int>(alarms_.size())) return;
  const Alarm alarm = alarms_[static_cast<std::size_t>(row)];
  if (alarm.acknowledgement) return;
  const std::optional<QString> comment =
      commentQuestion_ ? commentQuestion_(this, alarm) : AskComment(this, alarm);
  if (!comment) return;
  if (comment->trimmed().isEmpty()) {
    ShowErrorReport(this, QStringLiteral("Una alarma se reconoce con un comentario: no se "
                                         "reconoció nada."));
    return;
  }
  const std::string path = archivePath_ ? archivePath_() : std::string();
  try {
    LoadArchiveModule().AcknowledgeAlarm(path, alarm.id, comment->trimmed().toStdString());
  } catch (const ArchiveError& error) {
    ShowErrorReport(
        this,
        QStringLiteral("No se pudo reconocer la alarma: %1").arg(ArchiveProblemText(error, path)));
  } catch (const std::exception& error) {
    ShowErrorReport(this,
                    QStringLiteral("No se pudo reconocer la alarma: %1").arg(Text(error.what())));
  }
  Refresh();
}

QString AlarmsWindow::PlaceText() const {
  return place_->text();
}

void AlarmsWindow::ShowPlace(const QString& text) {
  place_->setText(text);
  place_->setToolTip(text);
}
