#include "data_ui/Unit5.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QShowEvent>
#include <QTableView>
#include <QToolButton>
#include <algorithm>
#include <utility>

#include "data/DownloadLines.h"
#include "data/StartTexts.h"
#include "data_ui/ButtonPictures.h"
#include "data_ui/GridCellDelegate.h"
#include "data_ui/SampleTableModel.h"
#include "data_ui/TableFileWriter.h"
#include "data_ui/TableSelectionCopy.h"
#include "window_base/ErrorReport.h"
#include "window_base/FileChoice.h"

namespace {
const QColor kTeal(0, 128, 128);
const QColor kLime(0, 255, 0);
const QColor kSkyBlue(166, 202, 240);
const QColor kMoneyGreen(192, 220, 192);
const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);

constexpr int kGridLineWidth = 3;
constexpr int kColumnWidth = 64;
constexpr int kRowHeight = 24;

const QString kOverwriteText = QStringLiteral("El archivo existe, sobreescribo?");

QFont PixelFont(const QString& family, int pixels, bool bold = false) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

QLabel* HeadingLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, kSkyBlue);
  palette.setColor(QPalette::WindowText, kWhite);
  label->setPalette(palette);
  label->move(left, top);
  return label;  // sized to its text when the window is first dressed
}

QLineEdit* StartBox(QWidget* parent, const char* name, const QRect& place) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->setReadOnly(true);
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, kTeal);
  palette.setColor(QPalette::Text, kLime);
  edit->setPalette(palette);
  edit->setGeometry(place);
  return edit;
}

QLabel* HiddenLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->hide();
  return label;
}

QLineEdit* HiddenEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->hide();
  return edit;
}

QToolButton* PictureButton(QWidget* parent, const char* name, const QString& caption,
                           const QIcon& picture, const QRect& place) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QLatin1String(name));
  button->setText(caption);
  button->setIcon(picture);
  button->setIconSize(kButtonPictureSize);
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);  // flat until the pointer is over it
  button->setFont(PixelFont(QStringLiteral("Arial"), 8));
  button->setGeometry(place);
  return button;
}

QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form5"));
  setWindowTitle(QStringLiteral("DATOS DESCARGADOS"));
  resize(450, 362);
  model_ = new SampleTableModel(this);
}

TForm5::~TForm5() = default;

void TForm5::BuildControls() {
  Label7 = HeadingLabel(this, "Label7", QStringLiteral("T O M A  D E  D A T O S"), 135, 6);
  Label8 = HeadingLabel(this, "Label8", QStringLiteral(" Fecha de inicio "), 27, 36);
  Label9 = HeadingLabel(this, "Label9", QStringLiteral(" Hora de inicio "), 162, 36);
  Label10 = HeadingLabel(this, "Label10", QStringLiteral(" Tasa de muestreo "), 288, 36);

  Edit1 = StartBox(this, "Edit1", QRect(6, 54, 121, 24));
  Edit2 = StartBox(this, "Edit2", QRect(135, 54, 121, 24));
  Edit8 = StartBox(this, "Edit8", QRect(273, 54, 121, 24));

  Label1 = HiddenLabel(this, "Label1");
  Label2 = HiddenLabel(this, "Label2");
  Label3 = HiddenLabel(this, "Label3");
  Label4 = HiddenLabel(this, "Label4");
  Label5 = HiddenLabel(this, "Label5");
  Label6 = HiddenLabel(this, "Label6");
  Edit6 = HiddenEdit(this, "Edit6");
  Edit7 = HiddenEdit(this, "Edit7");

  StringGrid1 = new QTableView(this);
  StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
  StringGrid1->setGeometry(15, 93, 361, 214);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // One tab stop: the arrows move inside the table, Tab goes on to the buttons.
  StringGrid1->setTabKeyNavigation(false);
  StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  new TableSelectionCopy(*StringGrid1);  // Ctrl+C copies the whole selection
  StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  StringGrid1->setShowGrid(false);  // the delegate draws the thick grid lines
  StringGrid1->setWordWrap(false);
  StringGrid1->setCornerButtonEnabled(false);
  QPalette gridPalette = StringGrid1->palette();
  gridPalette.setColor(QPalette::Base, kMoneyGreen);
  gridPalette.setColor(QPalette::Text, kRed);
  StringGrid1->setPalette(gridPalette);
  const QColor lineColour = palette().color(QPalette::Window);
  StringGrid1->setItemDelegate(
      new GridCellDelegate(kRed, kMoneyGreen, lineColour, kGridLineWidth, StringGrid1));

  SpeedButton1 = PictureButton(this, "SpeedButton1", QStringLiteral("GUARDAR"), DiskPicture(),
                               QRect(384, 93, 49, 55));
  SpeedButton2 = PictureButton(this, "SpeedButton2", QStringLiteral("GRAFICAR"), ChartPicture(),
                               QRect(384, 156, 49, 52));
  notice_ = new QLabel(this);
  notice_->setObjectName(QStringLiteral("Notice"));
  notice_->setGeometry(15, 310, 420, 46);
  notice_->setWordWrap(true);
  notice_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette noticePalette = notice_->palette();
  noticePalette.setColor(QPalette::WindowText, kRed);
  notice_->setPalette(noticePalette);
  notice_->hide();

  connect(SpeedButton1, &QToolButton::clicked, this, &TForm5::SpeedButton1Click);
  connect(SpeedButton2, &QToolButton::clicked, this, &TForm5::SpeedButton2Click);
}

void TForm5::DressControls() {
  if (dressed_) return;
  dressed_ = true;
  setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
  BuildControls();
  for (QLabel* heading : {Label7, Label8, Label9, Label10}) heading->adjustSize();
  const QFont arialBold = PixelFont(QStringLiteral("Arial"), 13, true);
  Edit1->setFont(arialBold);
  Edit2->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 13, true));
  Edit8->setFont(arialBold);

  const QFont gridFont = PixelFont(QStringLiteral("Arial"), 11);
  StringGrid1->setFont(gridFont);
  notice_->setFont(PixelFont(QStringLiteral("Arial"), 12, true));

  // Fixed row and column: the headers, drawn like fixed cells in the button-face colour with a
  // darker edge. Fixed sizes keep a reset of a very long table from measuring every row.
  const QString fixedCellStyle =
      QStringLiteral(
          "QHeaderView::section { background-color: palette(button); color: rgb(255, 0, 0);"
          " border: none; border-right: %1px solid %2; border-bottom: %1px solid %2;"
          " padding-left: 2px; }")
          .arg(kGridLineWidth)
          .arg(palette().color(QPalette::Mid).name());
  for (QHeaderView* header : {StringGrid1->horizontalHeader(), StringGrid1->verticalHeader()}) {
    header->setFont(gridFont);
    header->setStyleSheet(fixedCellStyle);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setMinimumSectionSize(1);
  }
  StringGrid1->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
  StringGrid1->horizontalHeader()->setFixedHeight(kRowHeight);
  StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
  StringGrid1->verticalHeader()->setFixedWidth(kColumnWidth);
  StringGrid1->setModel(model_);
}

void TForm5::SetDownloadTextSource(std::function<std::string()> source) {
  downloadTextSource_ = std::move(source);
}

void TForm5::SetChartWindowOpener(std::function<void()> open) {
  chartWindowOpener_ = std::move(open);
}

void TForm5::ShowTableOnce(SampleTable table, std::function<void(const QString&)> saved,
                           const QString& notice, const QString& noSaveReason) {
  otherTable_ = std::move(table);
  otherSaved_ = std::move(saved);
  otherNotice_ = notice;
  otherNoSaveReason_ = noSaveReason;
}

bool TForm5::CanSave() const {
  return SpeedButton1 != nullptr && SpeedButton1->isEnabled();
}

void TForm5::FitNotice() {
  // A long notice (a station's record with its calibrations) takes every line it needs, and the
  // window grows to show them: the notice is placed, so a resize alone would not.
  constexpr int kLeast = 46;
  const int height = std::max(kLeast, notice_->heightForWidth(notice_->width()));
  notice_->resize(notice_->width(), height);
  const int bottom = notice_->y() + height + 6;
  if (notice_->isVisibleTo(this) && bottom > this->height()) resize(width(), bottom);
}

QString TForm5::Notice() const {
  return notice_ != nullptr ? notice_->text() : QString();
}

void TForm5::SetDownloadSavedListener(std::function<void(const QString&)> saved) {
  downloadSaved_ = std::move(saved);
}

void TForm5::SetOverwriteQuestion(OverwriteQuestion question) {
  overwriteQuestion_ = std::move(question);
}

QString TForm5::Cell(int column, int row) const {
  return model_->Cell(column, row);
}

int TForm5::RowCount() const {
  return model_->GridRowCount();
}

const SampleTable& TForm5::Table() const {
  return model_->Table();
}

QString TForm5::StartDate() const {
  return Edit1 != nullptr ? Edit1->text() : QString();
}

QString TForm5::StartTime() const {
  return Edit2 != nullptr ? Edit2->text() : QString();
}

QString TForm5::RateText() const {
  return Edit8 != nullptr ? Edit8->text() : QString();
}

void TForm5::setVisible(bool visible) {
  // Made before the window shows, so that they show with it.
  if (visible) DressControls();
  QDialog::setVisible(visible);
}

void TForm5::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A show event from the window system (a restore after minimising) is not a new showing.
  if (event->spontaneous()) return;
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  FormActivate();
}

void TForm5::FormActivate() {
  DressControls();
  SampleTable table;
  QString noSaveReason;
  if (otherTable_) {
    // Another table leaves the download's decoder and start boxes as they were.
    table = std::move(*otherTable_);
    otherTable_.reset();
    downloadLineCount_ = static_cast<int>(table.rows.size()) + 2;
    shownSaved_ = std::move(otherSaved_);
    notice_->setText(otherNotice_);
    otherNotice_.clear();
    noSaveReason = std::move(otherNoSaveReason_);
    otherNoSaveReason_.clear();
  } else {
    notice_->clear();
    const std::string text = downloadTextSource_ ? downloadTextSource_() : std::string();
    downloadLineCount_ = CountDownloadLines(text);
    // The start boxes as they stood are handed in: an unreadable header or rate code keeps them.
    table = decoder_.Decode(text, &downloadStart_);
    downloadStart_.start = table.start;
    downloadStart_.startRateMinutes = table.startRateMinutes;
    shownSaved_ = downloadSaved_;
  }
  notice_->setVisible(!notice_->text().isEmpty());
  FitNotice();
  if (saveToolTip_.isNull()) saveToolTip_ = SpeedButton1->toolTip();
  SpeedButton1->setEnabled(noSaveReason.isEmpty());
  SpeedButton1->setToolTip(noSaveReason.isEmpty() ? saveToolTip_ : noSaveReason);
  ShowStart(table);
  const std::optional<std::string> error = table.error;
  model_->SetTable(std::move(table));
  StringGrid1->scrollToTop();
  if (error) {
    // Reported once the window is up; the window stays open with what was filled.
    const QString message = Latin1(*error);
    QMetaObject::invokeMethod(
        this, [this, message] { ShowErrorReport(this, message); }, Qt::QueuedConnection);
  }
}

void TForm5::ShowStart(const SampleTable& table) {
  Edit1->setText(Latin1(StartDateText(table)));
  Edit2->setText(Latin1(StartTimeText(table)));
  Edit8->setText(Latin1(StartRateText(table)));
  // A saved table holds no start, but its first rows give the rate, and the logger started one
  // rate before its first sample.
  if (!table.start && table.startRateMinutes == 0 && table.rateMinutes > 0 &&
      !table.samples.empty() && table.samples.front().hasStamp) {
    const SampleNumbers& first = table.samples.front();
    const QDateTime started = QDateTime(QDate(first.year, first.month, first.day),
                                        QTime(first.hour, first.minute, first.second), Qt::UTC)
                                  .addSecs(-60LL * table.rateMinutes);
    Edit1->setText(started.toString(QStringLiteral("dd/MM/yyyy")));
    Edit2->setText(started.toString(QStringLiteral("HH:mm:ss")));
    Edit8->setText(Latin1(RateCaption(table.rateMinutes)));
  }
  const LoggerStart start = table.start.value_or(LoggerStart{});
  Label1->setNum(start.year);
  Label2->setNum(start.month);
  Label3->setNum(start.day);
  Label4->setNum(start.hour);
  Label5->setNum(start.minute);
  Label6->setNum(start.second);
}

void TForm5::SpeedButton1Click() {
  if (SpeedButton1 != nullptr && !SpeedButton1->isEnabled()) return;
  const QString path = ChooseSaveFile();
  if (path.isEmpty()) return;
  if (QFileInfo::exists(path) && AskOverwrite(kOverwriteText) != QMessageBox::Yes) return;
  TableFileWriter writer;
  if (!writer.Write(path, model_->Table())) {
    ShowErrorReport(this, writer.ErrorText());
  } else if (shownSaved_) {
    shownSaved_(path);
  }
}

void TForm5::SpeedButton2Click() {
  if (chartWindowOpener_) chartWindowOpener_();
}

QString TForm5::ChooseSaveFile() {
  if (std::optional<QString> answer = AnsweredFileChoice(this, QStringLiteral("txt")))
    return *answer;
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  // The overwrite question is asked here, once, not by the dialog as well.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return {};
  QString path = chosen.first();
  // Some platform dialogs leave the default extension to the caller.
  if (!path.isEmpty() && !QFileInfo(path).fileName().contains(QLatin1Char('.')))
    path += QStringLiteral(".txt");
  return path;
}

QMessageBox::StandardButton TForm5::AskOverwrite(const QString& text) {
  if (overwriteQuestion_) return overwriteQuestion_(this, text);
  return QMessageBox::question(this, QStringLiteral("Velmorante"), text,
                               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                               QMessageBox::Yes);
}
