#include "app/DownloadHistoryWindow.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QShowEvent>
#include <QTableView>

#include "app/DownloadArchiver.h"
#include "app/DownloadHistoryModel.h"
#include "app/PanelColors.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveModule.h"
#include "data/DownloadSource.h"
#include "data/Unit5.h"
#include "widgets/ColorButton.h"
#include "widgets/ErrorReport.h"
#include "widgets/FormLook.h"
#include "widgets/GradientPanel.h"
#include "widgets/ModalWindow.h"

namespace {

const QColor kMoneyGreen(192, 220, 192);
const QColor kMediumGrey(160, 160, 164);

// No download or saved table comes near this; a larger file is not read into memory.
constexpr qint64 kLargestFile = 16 << 20;

ColorButton* Button(QWidget* parent, const char* name, const QString& text, const QColor& color,
                    const QString& hint, const QRect& place) {
  auto* button = new ColorButton(parent);
  button->setObjectName(QLatin1String(name));
  button->setTextOff(text);
  button->setTextOn(text);
  button->setTextColor(color);
  button->setToolTip(hint);
  button->setFont(ArialFont(11, true));
  button->setGeometry(place);
  return button;
}

}  // namespace

DownloadHistoryWindow::DownloadHistoryWindow(DownloadArchiver& archiver, TForm5* dataWindow,
                                             QWidget* parent)
    : QDialog(parent, CloseBoxOnlyFlags()), archiver_(archiver), data_(dataWindow) {
  setObjectName(QStringLiteral("DownloadHistoryWindow"));
  setWindowTitle(QStringLiteral("HISTORIAL DE DESCARGAS"));
  setFont(DialogFont(11));
  setFixedSize(640, 380);
  BuildControls();
}

void DownloadHistoryWindow::BuildControls() {
  auto* background = new GradientPanel(this);
  background->setColors(panel::kTeal, kMediumGrey);
  background->setOrientation(Qt::Horizontal);
  background->setGeometry(rect());

  auto* heading = new QLabel(QStringLiteral(" D E S C A R G A S   A R C H I V A D A S "), this);
  heading->setObjectName(QStringLiteral("HeadingLabel"));
  heading->setAutoFillBackground(true);
  QPalette headingPalette = heading->palette();
  headingPalette.setColor(QPalette::Window, panel::kSkyBlue);
  headingPalette.setColor(QPalette::WindowText, panel::kWhite);
  heading->setPalette(headingPalette);
  heading->setFont(ArialFont(11, true));
  heading->adjustSize();
  heading->move((width() - heading->width()) / 2, 8);

  model_ = new DownloadHistoryModel(this);
  list_ = new QTableView(this);
  list_->setObjectName(QStringLiteral("HistoryList"));
  list_->setModel(model_);
  list_->setGeometry(10, 34, 620, 262);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setWordWrap(false);
  list_->setFont(ArialFont(11));
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(20);
  list_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->horizontalHeader()->setStretchLastSection(true);
  const int widths[] = {124, 124, 104, 62, 140};
  for (int column = 0; column < 5; ++column) list_->setColumnWidth(column, widths[column]);
  QPalette listPalette = list_->palette();
  listPalette.setColor(QPalette::Base, kMoneyGreen);
  listPalette.setColor(QPalette::Text, panel::kRed);
  list_->setPalette(listPalette);
  list_->setToolTip(QStringLiteral("Doble clic para ver una descarga en la tabla de datos"));
  connect(list_, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { OpenRecord(index.row()); });

  place_ = new QLabel(this);
  place_->setObjectName(QStringLiteral("ArchivePlace"));
  place_->setGeometry(10, 300, 620, 30);
  place_->setWordWrap(true);
  place_->setFont(ArialFont(10));
  QPalette placePalette = place_->palette();
  placePalette.setColor(QPalette::WindowText, panel::kWhite);
  place_->setPalette(placePalette);

  openButton_ = Button(this, "OpenButton", QStringLiteral("VER DATOS"), panel::kYellow,
                       QStringLiteral("Ver la descarga elegida en la tabla de datos"),
                       QRect(150, 338, 150, 33));
  openFileButton_ = Button(this, "OpenFileButton", QStringLiteral("ABRIR ARCHIVO..."), panel::kAqua,
                           QStringLiteral("Abrir una tabla guardada o una descarga capturada"),
                           QRect(340, 338, 150, 33));
  connect(openButton_, &ColorButton::clicked, this, [this] { OpenSelected(); });
  connect(openFileButton_, &ColorButton::clicked, this, [this] { OpenFileClick(); });
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
    place_->setText(file.isEmpty()
                        ? QStringLiteral("Sin archivo de descargas.")
                        : QStringLiteral("Sin archivo: %1.").arg(archiver_.ProblemText()));
    return;
  }
  try {
    model_->SetRecords(archive->List());
    place_->setText(QStringLiteral("Archivo: %1").arg(file));
  } catch (const ArchiveError& error) {
    model_->SetRecords({});
    place_->setText(
        QStringLiteral("Sin archivo: %1.").arg(ArchiveProblemText(error, archiver_.path())));
  }
  if (model_->rowCount() > 0) list_->selectRow(0);
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
  // A decoder of its own: the data window's, with its carried month length, stays untouched.
  SampleTable table = SampleDecoder().Decode(record.rawText);
  table.origin =
      DownloadOrigin{record.summary.receivedAt, record.summary.port, record.summary.sha256};
  data_->ShowTableOnce(std::move(table),
                       [this, id](const QString& file) { archiver_.NoteSaved(id, file); });
  ShowModal(data_);
  Refresh();
  list_->selectRow(row);
}

void DownloadHistoryWindow::OpenFileClick() {
  QString path;
  if (chooser_) {
    path = chooser_(this);
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
  std::optional<LoadedDownload> loaded = RecogniseDownload(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (!loaded) {
    ShowErrorReport(this, QStringLiteral("%1 no es una tabla guardada ni una descarga capturada; "
                                         "no se abrió nada")
                              .arg(name));
    return false;
  }
  data_->ShowTableOnce(std::move(loaded->table));
  ShowModal(data_);
  return true;
}
