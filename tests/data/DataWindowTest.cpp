// The data window on real widgets: what it shows after each showing, what it saves byte for byte,
// and that no failed save ever touches an existing file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <vector>

#include "data/SavedFileFormat.h"
#include "data_ui/Unit5.h"
#include "tests/data/DataWindowDownloads.h"
#include "window_base/ErrorReport.h"
#include "window_base/FileChoice.h"

using namespace data_window_test;

// Readable failure messages for texts and lists of texts.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<unreadable>";
  return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// Everything the window shows: start boxes and every cell.
QStringList Snapshot(const TForm5& form) {
  QStringList shown = {form.StartDate(), form.StartTime(), form.RateText()};
  for (int row = 0; row < form.RowCount(); ++row)
    for (int column = 0; column < 5; ++column) shown << form.Cell(column, row);
  return shown;
}

class DataWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    SetErrorReportObserver([this](const QString& text) { reports << text; }, false);
    form.SetDownloadTextSource([this] {
      ++textReads;
      return download;
    });
    SetFileChoiceAnswer([this](QWidget*, const QString&) { return chosenPath; });
    form.SetOverwriteQuestion([this](QWidget*, const QString& text) {
      questions << text;
      return answer;
    });
  }
  void TearDown() override {
    SetFileChoiceAnswer({});
    SetErrorReportObserver({});
  }

  // Shows the window as a new showing and hides it again.
  void ShowOnce() {
    form.show();
    QApplication::processEvents();
    form.hide();
  }

  void Save(const QString& path) {
    chosenPath = path;
    form.findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
  }

  QString Path(const QString& name) const { return dir.filePath(name); }

  QTemporaryDir dir;
  TForm5 form;
  std::string download;
  int textReads = 0;
  QString chosenPath;
  QMessageBox::StandardButton answer = QMessageBox::Yes;
  QStringList questions;
  QStringList reports;
};

TEST_F(DataWindowTest, SavedFileIsByteExact) {
  const std::string reading = Fields(7, 68, 2, 223);  // r1 = 1860, r2 = 735: 50,0 and 23,5
  struct Case {
    const char* name;
    std::string text;
    QByteArray bytes;
  } cases[] = {
      // First, while the rate box is still empty: an unknown rate code keeps the rate shown
      // before, and with it the stamping.
      {"rate code outside 1..6: empty date and time",
       DownloadText(Fields(12, 3, 15, 30), Fields(45, 14, 9, 0), {reading}), "    50,0  23,5\r\n"},
      {"two samples every 5 minutes",
       DownloadText(Fields(12, 3, 15, 30), Fields(45, 14, 2, 0), {reading, reading}),
       "15/03/2012  14:50:30  50,0  23,5\r\n15/03/2012  14:55:30  50,0  23,5\r\n"},
      {"no samples", DownloadText(Fields(12, 3, 15, 30), Fields(45, 14, 2, 0), {}), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    download = c.text;
    ShowOnce();
    const QString path = Path(QStringLiteral("datos.txt"));
    QFile::remove(path);
    Save(path);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(ReadBytes(path), c.bytes);
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
    EXPECT_TRUE(questions.isEmpty());
  }
}

TEST_F(DataWindowTest, LongTableIsSavedWhole) {
  download = StartedDownload(5000);
  ShowOnce();
  ASSERT_EQ(form.RowCount(), 5001);
  const QString path = Path(QStringLiteral("largo.txt"));
  Save(path);
  const QByteArray saved = ReadBytes(path);
  const std::string expected = SavedFileText(form.Table());
  EXPECT_EQ(saved.size(), static_cast<qsizetype>(expected.size()));
  EXPECT_TRUE(saved == QByteArray::fromStdString(expected));
  EXPECT_EQ(saved.count("\r\n"), 5000);
  EXPECT_TRUE(saved.endsWith("\r\n"));
}

TEST_F(DataWindowTest, OverwriteIsAskedForAnExistingFileOnlyAndOnlyYesReplacesIt) {
  download = StartedDownload(2);
  ShowOnce();
  const QString path = Path(QStringLiteral("existe.txt"));
  Save(path);  // a new name: no question
  EXPECT_TRUE(questions.isEmpty());
  const QByteArray fresh = ReadBytes(path);
  ASSERT_FALSE(fresh.isEmpty());

  struct Case {
    QMessageBox::StandardButton answer;
    bool replaced;
  } cases[] = {{QMessageBox::No, false}, {QMessageBox::Cancel, false}, {QMessageBox::Yes, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    WriteBytes(path, "contenido anterior\r\n");
    questions.clear();
    answer = c.answer;
    Save(path);
    EXPECT_EQ(questions, QStringList{QStringLiteral("El archivo existe, sobreescribo?")});
    EXPECT_EQ(ReadBytes(path), c.replaced ? fresh : QByteArray("contenido anterior\r\n"));
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("existe.txt")});
  }
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(DataWindowTest, CancelledSaveDialogWritesNothing) {
  download = StartedDownload(2);
  ShowOnce();
  Save(QString());
  EXPECT_TRUE(Entries(dir.path()).isEmpty());
  EXPECT_TRUE(questions.isEmpty());
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(DataWindowTest, UnwritableTargetIsReportedAndLeavesFilesAlone) {
  download = StartedDownload(3);
  ShowOnce();
  // Beside each target stands a file that must come through unchanged, and no stray file may
  // appear.
  WriteBytes(Path(QStringLiteral("vecino.txt")), "no tocar\r\n");
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("carpeta.txt")));
  WriteBytes(Path(QStringLiteral("carpeta.txt/dentro.txt")), "dentro\r\n");
  ASSERT_EQ(::mkfifo(Path(QStringLiteral("tuberia.txt")).toLocal8Bit().constData(), 0644), 0);
  const QStringList before = Entries(dir.path());

  // The reason is given in Spanish, whatever the system's language.
  const std::pair<QString, QString> targets[] = {
      {Path(QStringLiteral("no/existe/datos.txt")), QStringLiteral("la carpeta no existe.")},
      {Path(QStringLiteral("carpeta.txt")), QStringLiteral("el nombre es el de una carpeta.")},
      // Regression: a FIFO or a device node used to be replaced by the saved file.
      {Path(QStringLiteral("tuberia.txt")),
       QStringLiteral("no es un archivo normal (es un dispositivo, una tubería o un conector) y no "
                      "se reemplaza.")}};
  for (const auto& [target, reason] : targets) {
    SCOPED_TRACE(target.toStdString());
    reports.clear();
    Save(target);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0],
              QStringLiteral("No se pudo guardar el archivo \"%1\": %2").arg(target, reason));
    EXPECT_EQ(Entries(dir.path()), before);
    EXPECT_EQ(ReadBytes(Path(QStringLiteral("vecino.txt"))), "no tocar\r\n");
    EXPECT_EQ(Entries(Path(QStringLiteral("carpeta.txt"))),
              QStringList{QStringLiteral("dentro.txt")});
    EXPECT_FALSE(QFileInfo(Path(QStringLiteral("tuberia.txt"))).isFile());
  }
  EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("no"))));
}

// Lowers the file-size limit for this process (signal ignored, so writes fail with EFBIG) and puts
// both back when it goes out of scope. Only the soft limit is lowered, so raising it back needs no
// privilege.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &savedAction_);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    sigaction(SIGXFSZ, &savedAction_, nullptr);
  }
  bool active() const { return active_; }

 private:
  rlimit saved_{};
  struct sigaction savedAction_ = {};
  bool active_ = false;
};

// Regression: a table small enough to sit in the file's write buffer used to be cut short at the
// limit and committed as if complete; a large one fails on a direct write.
TEST_F(DataWindowTest, SaveThatRunsOutOfSpaceKeepsTheExistingFile) {
  const QString path = Path(QStringLiteral("lleno.txt"));
  const QByteArray old = "contenido anterior\r\n";
  for (const int samples : {200, 2000}) {  // about 7 kB and 68 kB against a 4 kB limit
    SCOPED_TRACE(samples);
    download = StartedDownload(samples);
    ShowOnce();
    WriteBytes(path, old);
    reports.clear();
    {
      FileSizeLimit limit(4096);
      ASSERT_TRUE(limit.active());
      Save(path);
    }
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(
        reports[0],
        QStringLiteral("No se pudo guardar el archivo \"%1\": el archivo es demasiado grande.")
            .arg(path));
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("lleno.txt")});

    // With room again the same save goes through.
    reports.clear();
    Save(path);
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_EQ(ReadBytes(path), QByteArray::fromStdString(SavedFileText(form.Table())));
  }
}

// Answers whatever modal window is up: the file dialog gets the path `name` typed in, a message box
// is recorded and answered with `reply`.
class ModalAnswerer : public QObject {
 public:
  explicit ModalAnswerer(QString name, QMessageBox::StandardButton reply = QMessageBox::No)
      : name_(std::move(name)), reply_(reply) {
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::Answer);
    timer_.start(20);
  }
  QStringList boxes;
  int dialogs = 0;

 private:
  void Answer() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      // Typed in as an operator would: the folder, then the bare name in the name box.
      const QFileInfo typed(name_);
      dialog->setDirectory(typed.absolutePath());
      auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!nameBox) {
        dialog->reject();  // fail the test rather than hang it
        return;
      }
      ++dialogs;
      nameBox->setText(typed.fileName());
      static_cast<QDialog*>(dialog)->accept();  // public in the base class
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes << box->text();
      box->button(reply_)->click();
    }
  }
  QString name_;
  QMessageBox::StandardButton reply_;
  QTimer timer_;
};

TEST_F(DataWindowTest, PlatformDialogAddsTxtAndTheQuestionIsAskedOnce) {
  SetFileChoiceAnswer({});
  form.SetOverwriteQuestion({});
  download = StartedDownload(2);
  ShowOnce();
  ModalAnswerer answerer(Path(QStringLiteral("sin_extension")));
  auto* save = form.findChild<QToolButton*>(QStringLiteral("SpeedButton1"));
  save->click();
  EXPECT_EQ(answerer.dialogs, 1);
  EXPECT_TRUE(answerer.boxes.isEmpty());
  const QString path = Path(QStringLiteral("sin_extension.txt"));
  ASSERT_TRUE(QFile::exists(path));
  const QByteArray first = ReadBytes(path);

  WriteBytes(path, "anterior");
  save->click();  // same name again: asked once, answered No
  EXPECT_EQ(answerer.dialogs, 2);
  EXPECT_EQ(answerer.boxes, QStringList{QStringLiteral("El archivo existe, sobreescribo?")});
  EXPECT_EQ(ReadBytes(path), "anterior");
  EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("sin_extension.txt")});
  EXPECT_FALSE(first.isEmpty());
}

TEST_F(DataWindowTest, TableIsRebuiltIdenticallyOnEveryShowing) {
  // Rate code 6 from 28/02/2012 22:45:30: the rows cross the leap day into March.
  std::vector<std::string> samples(40, SampleLine(1860, 735));
  download = DownloadText(Fields(12, 2, 28, 30), Fields(45, 22, 6, 0), samples);
  ShowOnce();
  const QStringList first = Snapshot(form);
  EXPECT_EQ(form.RowCount(), 41);
  EXPECT_EQ(form.DownloadLineCount(), 43);
  EXPECT_EQ(form.StartDate(), QStringLiteral("28/02/2012"));
  EXPECT_EQ(form.StartTime(), QStringLiteral("22:45:30"));
  const QStringList headings = {form.Cell(0, 0), form.Cell(1, 0), form.Cell(2, 0), form.Cell(3, 0),
                                form.Cell(4, 0)};
  EXPECT_EQ(headings, (QStringList{"", " FECHA:", " HORA:", "CANAL 1", "CANAL 2"}));
  EXPECT_EQ(form.Cell(0, 40), QStringLiteral("40"));
  EXPECT_EQ(form.Cell(1, 2), QStringLiteral("29/02/2012"));
  EXPECT_EQ(form.Cell(1, 40), QStringLiteral("01/03/2012"));
  EXPECT_EQ(form.Cell(2, 1), QStringLiteral("23:45:30"));
  EXPECT_TRUE(form.Cell(5, 1).isEmpty());
  EXPECT_TRUE(form.Cell(1, 41).isEmpty());

  for (int showing = 2; showing <= 3; ++showing) {
    ShowOnce();
    EXPECT_EQ(Snapshot(form), first) << "showing " << showing;
  }
  EXPECT_EQ(textReads, 3);
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(DataWindowTest, ReturningFromItsOwnModalWindowsDoesNotRebuild) {
  // A letter in the last sample line: the error box comes up over the shown window.
  std::vector<std::string> samples(5, SampleLine(1860, 735));
  samples.back() = "00706800222x";
  download = DownloadText(Fields(12, 3, 15, 30), Fields(45, 14, 2, 0), samples);
  SetErrorReportObserver([this](const QString& text) { reports << text; }, true);
  ModalAnswerer answerer(QString(), QMessageBox::Ok);
  int chartShowings = 0;
  form.SetChartWindowOpener([&] {
    QDialog chart(&form);
    QTimer::singleShot(0, &chart, &QDialog::accept);
    chart.exec();
    ++chartShowings;
  });
  SetFileChoiceAnswer([](QWidget* parent, const QString&) {
    QDialog dialog(parent);  // stands for the platform dialog, cancelled
    QTimer::singleShot(0, &dialog, &QDialog::reject);
    dialog.exec();
    return QString();
  });
  QStringList shown;
  QTimer::singleShot(0, &form, [&] {
    EXPECT_TRUE(WaitFor([&] { return !answerer.boxes.isEmpty(); }));
    EXPECT_EQ(answerer.boxes, QStringList{QStringLiteral("'x' is not a valid integer value.")});
    EXPECT_EQ(textReads, 1);
    shown = Snapshot(form);
    form.findChild<QToolButton*>(QStringLiteral("SpeedButton2"))->click();
    form.findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
    EXPECT_EQ(chartShowings, 1);
    EXPECT_EQ(textReads, 1);
    EXPECT_EQ(Snapshot(form), shown);
    EXPECT_TRUE(form.isVisible());
    form.reject();
  });
  form.exec();
  EXPECT_EQ(textReads, 1);
  EXPECT_FALSE(shown.isEmpty());

  QTimer::singleShot(0, &form, [&] {
    EXPECT_TRUE(WaitFor([&] { return answerer.boxes.size() == 2; }));
    form.reject();
  });
  form.exec();  // a new showing rebuilds, the same way
  EXPECT_EQ(textReads, 2);
  EXPECT_EQ(Snapshot(form), shown);
}

TEST_F(DataWindowTest, DecodeErrorIsReportedWithTheWindowOpenAndWhatWasFilledKept) {
  download = StartedDownload(4);
  ShowOnce();
  const QStringList good = Snapshot(form);

  // A letter in the third sample line: rows 1 and 2 keep their values, rows 3 and 4 have none,
  // every row keeps its number, date and time.
  std::vector<std::string> samples = {SampleLine(1860, 735), SampleLine(1860, 735), "0070x8002223",
                                      SampleLine(1860, 735)};
  download = DownloadText(Fields(12, 3, 15, 30), Fields(45, 14, 2, 0), samples);
  form.show();
  ASSERT_TRUE(WaitFor([&] { return !reports.isEmpty(); }));
  EXPECT_EQ(reports, QStringList{QStringLiteral("'x' is not a valid integer value.")});
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.RowCount(), 5);
  for (int row = 1; row <= 4; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(form.Cell(0, row), QString::number(row));
    EXPECT_FALSE(form.Cell(1, row).isEmpty());
    EXPECT_FALSE(form.Cell(2, row).isEmpty());
    EXPECT_EQ(form.Cell(3, row).isEmpty(), row >= 3);
    EXPECT_EQ(form.Cell(4, row).isEmpty(), row >= 3);
  }
  form.hide();

  // A header that cannot be read leaves the start boxes as they were shown before.
  reports.clear();
  download = DownloadText("0a2003015030", Fields(45, 14, 2, 0), samples);
  form.show();
  ASSERT_TRUE(WaitFor([&] { return !reports.isEmpty(); }));
  EXPECT_EQ(reports, QStringList{QStringLiteral("'a' is not a valid integer value.")});
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.StartDate(), good[0]);
  EXPECT_EQ(form.StartTime(), good[1]);
  EXPECT_EQ(form.RateText(), good[2]);
  form.hide();
}

}  // namespace

// Regression: Ctrl+C used to copy the current cell only.
TEST_F(DataWindowTest, CtrlCCopiesTheWholeSelectionAsTabSeparatedRows) {
  download = StartedDownload(5);
  form.show();
  QApplication::processEvents();
  auto* grid = form.findChild<QTableView*>(QStringLiteral("StringGrid1"));
  ASSERT_NE(grid, nullptr);
  const auto copy = [&] {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QStringLiteral("c"));
    QApplication::sendEvent(grid, &press);
    return QGuiApplication::clipboard()->text();
  };
  const auto select = [&](int top, int left, int bottom, int right) {
    const QAbstractItemModel& model = *grid->model();
    grid->selectionModel()->select(
        QItemSelection(model.index(top, left), model.index(bottom, right)),
        QItemSelectionModel::ClearAndSelect);
  };
  // Rows 2 and 3 of the table, from the time to the temperature: model rows 1..2, columns 1..3.
  select(1, 1, 2, 3);
  QGuiApplication::clipboard()->clear();
  EXPECT_EQ(copy(), form.Cell(2, 2) + '\t' + form.Cell(3, 2) + '\t' + form.Cell(4, 2) + '\n' +
                        form.Cell(2, 3) + '\t' + form.Cell(3, 3) + '\t' + form.Cell(4, 3) + '\n');
  EXPECT_EQ(form.Cell(2, 2), QStringLiteral("14:55:30"));

  // One cell alone, and everything: one line per row, four fields each.
  select(4, 0, 4, 0);
  EXPECT_EQ(copy(), form.Cell(1, 5) + '\n');
  grid->selectAll();
  const QStringList lines = copy().split('\n');
  ASSERT_EQ(lines.size(), 6);  // five rows and the empty rest after the last line break
  EXPECT_EQ(lines[0].split('\t').size(), 4);
  EXPECT_EQ(lines[4].split('\t')[3], form.Cell(4, 5));
  form.hide();
}
