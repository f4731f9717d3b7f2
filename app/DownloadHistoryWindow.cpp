#include "app/DownloadHistoryWindow.h"

#include <QBoxLayout>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QShowEvent>
#include <QTableView>
#include <set>

#include "analysis/CalibrationNotes.h"
#include "analysis/StampText.h"
#include "app/AuditWindow.h"
#include "app/DataWindowSigning.h"
#include "app/DownloadArchiver.h"
#include "app/DownloadHistoryModel.h"
#include "app/ListWindowLook.h"
#include "app/PanelColors.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveModule.h"
#include "charts/ChartModule.h"
#include "data/DisplayRows.h"
#include "data/DownloadSource.h"
#include "data_ui/Unit5.h"
#include "link/LoggerProtocol.h"
#include "record/RecordCalibration.h"
#include "record/RecordSelection.h"
#include "record/StationRecord.h"
#include "record/StoreRecord.h"
#include "widgets/ColorButton.h"
#include "widgets/GradientPanel.h"
#include "window_base/ErrorReport.h"
#include "window_base/FileChoice.h"
#include "window_base/FormLook.h"
#include "window_base/ModalWindow.h"

namespace {

const QColor kMoneyGreen(192, 220, 192);

// No download or saved table comes near this; a larger file is not read into memory.
constexpr qint64 kLargestFile = 16 << 20;

}  // namespace

DownloadHistoryWindow::DownloadHistoryWindow(DownloadArchiver& archiver, TForm5* dataWindow,
                                             QWidget* parent)
    : QDialog(parent, CloseBoxOnlyFlags()), archiver_(archiver), data_(dataWindow) {
  setObjectName(QStringLiteral("DownloadHistoryWindow"));
  setWindowTitle(QStringLiteral("HISTORIAL DE DESCARGAS"));
  setFont(DialogFont(11));
  // Resizable: the list and the archive's place take what room there is.
  resize(860, 380);
  setMinimumSize(820, 240);  // room for the four buttons side by side
  BuildControls();
}

void DownloadHistoryWindow::BuildControls() {
  background_ = MakeListBackground(this);
  auto* heading =
      MakeListHeading(QStringLiteral(" D E S C A R G A S   A R C H I V A D A S "), this);

  model_ = new DownloadHistoryModel(this);
  list_ = new QTableView(this);
  list_->setObjectName(QStringLiteral("HistoryList"));
  list_->setModel(model_);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  // One tab stop: the arrows move between rows, Tab goes on to the buttons.
  list_->setTabKeyNavigation(false);
  list_->setWordWrap(false);
  list_->setFont(ArialFont(11));
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  // Every column as wide as its heading and its longest text, at any font size or scale.
  list_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->horizontalHeader()->setHighlightSections(false);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  QPalette listPalette = list_->palette();
  listPalette.setColor(QPalette::Base, kMoneyGreen);
  listPalette.setColor(QPalette::Text, panel::kRed);
  list_->setPalette(listPalette);
  list_->setToolTip(
      QStringLiteral("Doble clic o Intro para ver una descarga en la tabla de datos"));
  list_->installEventFilter(this);
  connect(list_, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { OpenRecord(index.row()); });

  place_ = MakeArchivePlace(this);

  openButton_ = MakeListButton(this, "OpenButton", QStringLiteral("VER DATOS"), panel::kYellow,
                               QStringLiteral("Ver la descarga elegida en la tabla de datos"));
  openFileButton_ =
      MakeListButton(this, "OpenFileButton", QStringLiteral("ABRIR ARCHIVO..."), panel::kAqua,
                     QStringLiteral("Abrir una tabla guardada o una descarga capturada"));
  connect(openButton_, &ColorButton::clicked, this, [this] { OpenSelected(); });
  stationButton_ =
      MakeListButton(this, "StationButton", QStringLiteral("REGISTRO DE ESTACIÓN…"), panel::kWhite,
                     QStringLiteral("Ver en la tabla de datos todas las muestras de una estación "
                                    "(Ctrl+E)"));
  // The longest text of the three buttons: as tall as the others, wide enough for it.
  stationButton_->setFixedWidth(210);
  // Tab keeps going round the list and the two buttons for single downloads; the keyboard
  // reaches this one by its shortcut.
  stationButton_->setFocusPolicy(Qt::ClickFocus);
  stationButton_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  auditButton_ = MakeListButton(this, "AuditButton", QStringLiteral("AUDITORÍA"), panel::kWhite,
                                QStringLiteral("Ver quién hizo qué en el archivo, cuándo y por qué "
                                               "(Ctrl+U)"));
  // Like the station's record, reached from the keyboard by its shortcut.
  auditButton_->setFocusPolicy(Qt::ClickFocus);
  auditButton_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
  connect(auditButton_, &ColorButton::clicked, this, [this] { OpenAudit(); });
  connect(openFileButton_, &ColorButton::clicked, this, [this] { OpenFileClick(); });
  connect(stationButton_, &ColorButton::clicked, this, [this] { OpenStationClick(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(openButton_);
  buttons->addSpacing(40);
  buttons->addWidget(openFileButton_);
  buttons->addSpacing(40);
  buttons->addWidget(stationButton_);
  buttons->addSpacing(40);
  buttons->addWidget(auditButton_);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 9);
  layout->setSpacing(6);
  layout->addWidget(heading, 0, Qt::AlignHCenter);
  layout->addWidget(list_, 1);
  layout->addWidget(place_);
  layout->addLayout(buttons);
  setTabOrder(list_, openButton_);
  setTabOrder(openButton_, openFileButton_);
}

bool DownloadHistoryWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      const QModelIndex current = list_->currentIndex();
      if (current.isValid()) OpenRecord(current.row());
      return true;  // not the dialog's default button as well
    }
  }
  return QDialog::eventFilter(watched, event);
}

void DownloadHistoryWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  background_->setGeometry(rect());
}

void DownloadHistoryWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  CentreOnScreen(this);
  Refresh();
}

void DownloadHistoryWindow::Refresh() {
  const QString file = QString::fromStdString(archiver_.path());
  ArchiveStore* archive = archiver_.Archive();
  if (!archive) {
    model_->SetRecords({});
    ShowPlace(file.isEmpty() ? QStringLiteral("Sin archivo de descargas.")
                             : QStringLiteral("Sin archivo: %1.").arg(archiver_.ProblemText()));
    return;
  }
  try {
    model_->SetRecords(archive->List());
    ShowPlace(QStringLiteral("Archivo: %1").arg(file));
  } catch (const ArchiveError& error) {
    model_->SetRecords({});
    ShowPlace(QStringLiteral("Sin archivo: %1.").arg(ArchiveProblemText(error, archiver_.path())));
  }
  if (model_->rowCount() > 0) list_->selectRow(0);
}

void DownloadHistoryWindow::ShowPlace(const QString& text) {
  place_->setText(text);
  place_->setToolTip(text);  // whole, however narrow the window
}

void DownloadHistoryWindow::OpenSelected() {
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  if (!rows.isEmpty()) OpenRecord(rows.first().row());
}

void DownloadHistoryWindow::OpenRecord(int row) {
  ArchiveStore* archive = archiver_.Archive();
  if (!archive || !data_ || row < 0 || row >= model_->rowCount()) return;
  const std::int64_t id = model_->Record(row).id;
  ArchivedDownload record;
  try {
    record = archive->Get(id);
  } catch (const ArchiveError& error) {
    ShowErrorReport(this, QStringLiteral("No se pudo leer la descarga: %1")
                              .arg(ArchiveProblemText(error, archiver_.path())));
    return;
  }
  // A decoder of its own: the data window's, with its carried month length, stays untouched. A
  // download cut short shows every complete line, as many samples as its record counts.
  SampleTable table = DecodeReceived(record.rawText);
  table.origin =
      DownloadOrigin{record.summary.receivedAt, record.summary.port, record.summary.sha256};
  table.station = record.summary.station;
  QString notice;
  if (record.summary.reason != EndReason::kNone) {
    notice = QStringLiteral("DESCARGA INCOMPLETA (%1): solo están las muestras que llegaron.")
                 .arg(DownloadHistoryModel::StatusText(record.summary));
  }
  // A station's download shows the values its record shows: corrected by its calibrations.
  if (!table.station.empty()) {
    try {
      record::ApplyCalibrations(table, archive->Calibrations(table.station));
    } catch (const ArchiveError& error) {
      ShowErrorReport(this, QStringLiteral("No se pudieron leer las calibraciones: %1")
                                .arg(ArchiveProblemText(error, archiver_.path())));
      return;
    }
    for (const std::string& line : analysis::CalibrationNotes(table, LocalDateToday())) {
      if (!notice.isEmpty()) notice += QStringLiteral(" ");
      notice += QString::fromStdString(line) + QStringLiteral(".");
    }
  }
  if (auto* signing = data_->findChild<DataWindowSigning*>()) {
    signing->SetNextTarget(archiver_.path(), SignTarget::Download(id),
                           QStringLiteral("la descarga archivada %1").arg(id));
  }
  data_->ShowTableOnce(
      std::move(table), [this, id](const QString& file) { archiver_.NoteSaved(id, file); }, notice);
  ShowModal(data_);
  Refresh();
  list_->selectRow(row);
}

void DownloadHistoryWindow::OpenAudit() {
  if (!audit_) {
    audit_ = new AuditWindow(
        archiver_,
        [](QWidget* owner, const QString& html) {
          try {
            LoadChartModule().PrintHtmlWithDialog(owner, QStringLiteral("Imprimir auditoría"),
                                                  html);
          } catch (const std::exception& error) {
            ShowErrorReport(owner, QString::fromStdString(error.what()));
          }
        },
        this);
  }
  ShowModal(audit_);
}

void DownloadHistoryWindow::OpenFileClick() {
  QString path;
  if (std::optional<QString> answer = AnsweredFileChoice(this, QString())) {
    path = *answer;
  } else {
    path = QFileDialog::getOpenFileName(this, QStringLiteral("Abrir datos"), QString(),
                                        QStringLiteral("Datos (*.txt *.raw);;Todos (*)"));
  }
  if (!path.isEmpty()) OpenFile(path);
}

bool DownloadHistoryWindow::OpenFile(const QString& path) {
  if (!data_) return false;
  const QString name = QFileInfo(path).fileName();
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
    ShowErrorReport(this, QStringLiteral("No se pudo abrir %1: %2").arg(name, file.errorString()));
    return false;
  }
  if (file.size() > kLargestFile) {
    ShowErrorReport(this, QStringLiteral("%1 no es una tabla guardada ni una descarga: es "
                                         "demasiado grande")
                              .arg(name));
    return false;
  }
  const QByteArray bytes = file.readAll();
  SavedTableProblem problem;
  std::optional<LoadedDownload> loaded = RecogniseDownload(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), &problem);
  if (!loaded && problem.kind != SavedTableProblem::Kind::kNotATable) {
    ShowErrorReport(this, QStringLiteral("%1 no se abrió: %2")
                              .arg(name, QString::fromStdString(SavedTableProblemText(problem))));
    return false;
  }
  if (!loaded) {
    // What is wrong where, when the text has lines to tell of.
    const QString where =
        problem.shape == SavedTableProblem::Shape::kNone
            ? QString()
            : QStringLiteral(" (%1)").arg(QString::fromStdString(SavedTableProblemText(problem)));
    ShowErrorReport(this, QStringLiteral("%1 no es una tabla guardada ni una descarga capturada%2; "
                                         "no se abrió nada")
                              .arg(name, where));
    return false;
  }
  // A capture keeps the end marker "A" when the download came to its end; without it the line
  // was lost or the download stopped before the logger had sent everything.
  QString notice;
  if (loaded->kind == LoadedDownload::Kind::kRawDownload &&
      !QByteArray(bytes).trimmed().endsWith(protocol::kEndMarker)) {
    notice = QStringLiteral(
        "DESCARGA INCOMPLETA (sin la marca de fin): solo están las muestras "
        "que llegaron.");
  }
  data_->ShowTableOnce(std::move(loaded->table), {}, notice);
  ShowModal(data_);
  return true;
}

QStringList DownloadHistoryWindow::StationNames() {
  ArchiveStore* archive = archiver_.Archive();
  if (!archive) return {};
  std::set<std::string> names;
  try {
    for (const DownloadSummary& summary : archive->List()) {
      if (!summary.station.empty()) names.insert(summary.station);
    }
  } catch (const ArchiveError& error) {
    ShowErrorReport(this, QStringLiteral("No se pudo leer el archivo: %1")
                              .arg(ArchiveProblemText(error, archiver_.path())));
    return {};
  }
  QStringList list;
  for (const std::string& name : names) list << QString::fromStdString(name);
  return list;
}

void DownloadHistoryWindow::OpenStationClick() {
  const QStringList stations = StationNames();
  if (stations.isEmpty()) {
    ShowErrorReport(this, QStringLiteral("El archivo no tiene descargas de ninguna estación."));
    return;
  }
  QInputDialog chooser(this);
  chooser.setObjectName(QStringLiteral("StationChooser"));
  chooser.setWindowTitle(QStringLiteral("REGISTRO DE ESTACIÓN"));
  chooser.setLabelText(QStringLiteral("Estación:"));
  chooser.setComboBoxItems(stations);
  chooser.setComboBoxEditable(false);
  // Wide enough for its title in the frame, which would otherwise be cut short.
  chooser.setMinimumWidth(chooser.fontMetrics().horizontalAdvance(chooser.windowTitle()) * 2 + 120);
  const bool chosen = chooser.exec() == QDialog::Accepted;
  const QString station = chooser.textValue();
  if (chosen && !station.isEmpty()) OpenStation(station);
}

bool DownloadHistoryWindow::OpenStation(const QString& station) {
  ArchiveStore* archive = archiver_.Archive();
  if (!archive || !data_) return false;
  const std::string name = station.toStdString();
  record::RecordSelection selection;
  try {
    std::optional<record::StationRecord> found = record::ReadStationRecord(*archive, name);
    if (!found) {
      ShowErrorReport(
          this, QStringLiteral("El archivo no conoce ninguna estación llamada '%1'.").arg(station));
      return false;
    }
    selection = record::SelectRecord(std::move(*found), record::TimeWindow{});
  } catch (const ArchiveError& error) {
    ShowErrorReport(this, QStringLiteral("No se pudo leer el registro de la estación %1: %2")
                              .arg(station, ArchiveProblemText(error, archiver_.path())));
    return false;
  }
  // The record is signed from its first sample to its last.
  const SampleNumbers* first = nullptr;
  const SampleNumbers* last = nullptr;
  for (const SampleNumbers& sample : selection.table.samples) {
    if (!sample.hasStamp) continue;
    if (first == nullptr) first = &sample;
    last = &sample;
  }
  auto* signing = data_->findChild<DataWindowSigning*>();
  if (signing != nullptr && first != nullptr) {
    signing->SetNextTarget(
        archiver_.path(),
        SignTarget::StationPeriod(name, analysis::IsoText(analysis::StampOf(*first)),
                                  analysis::IsoText(analysis::StampOf(*last))),
        QStringLiteral("el registro de la estación %1").arg(station));
  }
  FillDisplayRows(selection.table);
  selection.table.station = name;
  QString notice = QStringLiteral(
                       "REGISTRO DE LA ESTACIÓN %1: cada muestra una vez, numeradas "
                       "de una grabación a la siguiente.")
                       .arg(station);
  for (const std::string& line : analysis::CalibrationNotes(selection.table, LocalDateToday()))
    notice += QStringLiteral(" ") + QString::fromStdString(line) + QStringLiteral(".");
  if (!selection.leftOut.empty()) {
    notice += QStringLiteral(" Faltan las descargas sin inicio o ritmo legible: %1.")
                  .arg(selection.leftOut.size());
  }
  // A saved table names one start and one rate, as one download would; a record of several
  // recordings saved that way would read as one download it never was.
  data_->ShowTableOnce(std::move(selection.table), {}, notice,
                       QStringLiteral("Un registro de estación reúne varias descargas: no se "
                                      "guarda como una sola tabla"));
  ShowModal(data_);
  return true;
}
