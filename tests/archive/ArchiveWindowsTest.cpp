// The archive in the program's windows, on real files and the logger emulator: a download is
// archived before the data window opens (and when cut short), the history window opens a record
// and a saved file into the data window and charts, and a damaged archive never keeps the data
// from the operator. The command-line tool then finds the window's download in the same archive.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <optional>

#include "app/AuditWindow.h"
#include "app/DataWindowSigning.h"
#include "app/DownloadArchiver.h"
#include "app/DownloadHistoryModel.h"
#include "app/DownloadHistoryWindow.h"
#include "app/ProgramWindows.h"
#include "archive/DownloadArchive.h"
#include "archive/Sha256.h"
#include "archive/SignatureStore.h"
#include "charts/Unit6.h"
#include "data_ui/Unit5.h"
#include "sim/LoggerEmulator.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "widgets/ColorButton.h"
#include "widgets/RockerSwitch.h"
#include "window_base/ErrorReport.h"
#include "window_base/FileChoice.h"

#include <qcustomplot.h>

extern char** environ;

namespace {

using namespace archive_test;

constexpr int kWaitMs = 10000;

LoggerOptions Logger(int samples, int baud = 0) {
  LoggerOptions options;
  options.storedSamples = samples;
  options.baud = baud;
  options.statusPeriodMs = 100;
  options.endMarkerPauseMs = 100;
  options.recordLive = false;
  return options;
}

// Runs `action` once `window` is shown (inside its modal loop), then closes it unless the
// action did.
void WhenShown(QWidget* window, std::function<void()> action) {
  auto* timer = new QTimer(window);
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, window, [timer, window, action] {
    if (!window->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    if (action) action();
    if (window->isVisible()) window->close();
  });
  timer->start();
}

int RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), VELMORANTE_CLI_PATH);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ArchiveWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    SetErrorReportObserver([this](const QString& text) { errors_ << text; }, false);
  }
  void TearDown() override {
    windows_.Form1.reset();
    logger_.reset();
    SetFileChoiceAnswer({});
    SetErrorReportObserver({});
  }

  void Start(const LoggerOptions* options) {
    windows_ = CreateProgramWindows({.runSetupDialog = false, .extraPorts = {}, .clock = {}});
    windows_.Form1->SetArchivePath(path_);
    windows_.Form1->show();
    if (options) {
      logger_ = std::make_unique<LoggerEmulator>(*options);
      logger_->Start();
      windows_.Form1->ComPort1.SetPort(logger_->PortPath());
    }
  }
  bool Connect() {
    QTest::mouseClick(windows_.Form1->AbRockerSwitch1, Qt::LeftButton);
    return QTest::qWaitFor([this] { return !windows_.Form1->Edit3->text().isEmpty(); }, 3000);
  }

  TempFolder folder_;
  const std::string path_ = folder_.File("descargas.sqlite");
  ProgramWindows windows_;
  std::unique_ptr<LoggerEmulator> logger_;
  QStringList errors_;
};

TEST_F(ArchiveWindows, DownloadIsArchivedBeforeTheDataWindowOpensAndTheCliSeesTheSameRecord) {
  const LoggerOptions options = Logger(30);
  Start(&options);
  ASSERT_TRUE(Connect());
  TForm5* data = windows_.Form5;
  const std::string saved = folder_.File("guardado.txt");
  SetFileChoiceAnswer([&](QWidget*, const QString&) { return QString::fromStdString(saved); });
  std::vector<DownloadSummary> seenWhenShown;
  bool shown = false;
  bool signOffered = false;
  WhenShown(data, [&] {
    shown = true;
    seenWhenShown = DownloadArchive(path_).List();
    signOffered = data->findChild<DataWindowSigning*>()->button()->isEnabled();
    data->SpeedButton1Click();  // GUARDAR
  });
  windows_.Form1->AbColBitBtn4->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return shown && !data->isVisible(); }, kWaitMs));
  ASSERT_EQ(seenWhenShown.size(), 1u);
  EXPECT_TRUE(seenWhenShown[0].complete());
  EXPECT_EQ(seenWhenShown[0].sha256, Sha256Hex(logger_->LastDownloadText()));
  EXPECT_EQ(seenWhenShown[0].samples, 30);
  EXPECT_TRUE(signOffered);  // the download just archived may be signed
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();

  // The command-line tool archives into the same file; its `show` gives GUARDAR's bytes.
  QTest::mouseClick(windows_.Form1->AbRockerSwitch1, Qt::LeftButton);  // the port is the CLI's
  ASSERT_EQ(RunCli({"download", "--port", logger_->PortPath(), "--archive", path_}), 0);
  ASSERT_EQ(RunCli({"history", "show", "1", "--archive", path_, "--out", folder_.File("cli.txt")}),
            0);
  EXPECT_EQ(Bytes(folder_.File("cli.txt")), Bytes(saved));
  DownloadArchive archive(path_);
  const std::vector<DownloadSummary> list = archive.List();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].program.rfind("velmorante ", 0), 0u);
  EXPECT_EQ(list[0].program.rfind("velmorante-cli ", 0), 0u);
  ASSERT_GE(archive.Get(1).savedFiles.size(), 1u);
  EXPECT_EQ(archive.Get(1).savedFiles[0].path, saved);
  // The trail holds each download with its program, and GUARDAR's file with its SHA-256.
  const std::vector<AuditEntry> entries = archive.AuditEntries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].change.action, AuditAction::kDownload);
  EXPECT_EQ(entries[0].actor.program, "velmorante");
  EXPECT_EQ(entries[1].change.action, AuditAction::kExport);
  EXPECT_NE(entries[1].change.newValue->find(Sha256Hex(Bytes(saved))), std::string::npos);
  EXPECT_EQ(entries[2].actor.program, "velmorante-cli");
  EXPECT_EQ(entries[3].change.action, AuditAction::kExport);  // history show --out
}

TEST_F(ArchiveWindows, DownloadCutShortByTheSwitchIsArchivedAsFarAsItCame) {
  const LoggerOptions options = Logger(2000, 9600);
  Start(&options);
  ASSERT_TRUE(Connect());
  TForm1& main = *windows_.Form1;
  main.AbColBitBtn4->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return main.DownloadText().size() > 200; }, kWaitMs));
  QTest::mouseClick(main.AbRockerSwitch1, Qt::LeftButton);
  const std::string partial = main.DownloadText();
  const std::vector<DownloadSummary> list = DownloadArchive(path_).List();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].reason, EndReason::kSwitchedOff);
  EXPECT_EQ(DownloadArchive(path_).Get(list[0].id).rawText, partial);
  // Switching on and off again archives nothing more: no download was running.
  QTest::mouseClick(main.AbRockerSwitch1, Qt::LeftButton);
  QTest::mouseClick(main.AbRockerSwitch1, Qt::LeftButton);
  EXPECT_EQ(DownloadArchive(path_).List().size(), 1u);
}

TEST_F(ArchiveWindows, HistoryOpensARecordAndASavedFileIntoTheDataWindowAndCharts) {
  {
    NewDownload download;
    download.rawText = DownloadText(40);
    download.port = "/dev/ttyUSB0";
    DownloadArchive(path_).Add(download);
  }
  const std::string savedTable = folder_.File("tabla.txt");
  WriteBytes(savedTable,
             "15/03/2012  14:50:30  50,0  23,5\r\n15/03/2012  14:55:30  50,4  23,6\r\n");
  const std::string notData = folder_.File("notas.txt");
  WriteBytes(notData, "lista de la compra\r\n");
  Start(nullptr);  // not connected
  TForm1& main = *windows_.Form1;
  TForm5* data = windows_.Form5;
  TForm6* charts = windows_.Form6;

  int rowsListed = 0, recordRows = 0, recordPoints = 0, fileRows = 0;
  QString recordStart;
  bool refused = true;
  bool signOffered = false, signOfferedForFile = true;
  std::optional<SignOutcome> wrongPassword;
  bool done = false;
  QTimer::singleShot(0, [&] {
    auto* history = main.findChild<DownloadHistoryWindow*>();
    ASSERT_NE(history, nullptr);
    WhenShown(history, [&, history] {
      rowsListed = history->Model()->rowCount();
      WhenShown(data, [&] {
        recordRows = data->RowCount();
        recordStart = data->StartDate();
        auto* signing = data->findChild<DataWindowSigning*>();
        signOffered = signing->button()->isEnabled();
        std::string password = "not-the-password-7Qz";
        wrongPassword = signing->Sign(QString::fromStdString(CurrentActor("", "").user), password,
                                      SignMeaning::kRevisado);
        WhenShown(charts, [&] { recordPoints = charts->Series1->dataCount(); });
        data->SpeedButton2Click();  // GRAFICAR
      });
      history->OpenRecord(0);
      WhenShown(data, [&] {
        fileRows = data->RowCount();
        signOfferedForFile = data->findChild<DataWindowSigning*>()->button()->isEnabled();
      });
      history->OpenFile(QString::fromStdString(savedTable));
      refused = !history->OpenFile(QString::fromStdString(notData));
      done = true;
    });
  });
  main.HistoryButton->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, kWaitMs));
  EXPECT_EQ(rowsListed, 1);
  EXPECT_EQ(recordRows, 41);
  EXPECT_EQ(recordStart, "15/03/2012");
  EXPECT_EQ(recordPoints, 40);
  EXPECT_EQ(fileRows, 3);
  EXPECT_TRUE(refused);
  // An archived download may be signed, a file may not; a wrong password signs nothing.
  EXPECT_TRUE(signOffered);
  EXPECT_FALSE(signOfferedForFile);
  ASSERT_TRUE(wrongPassword.has_value());
  EXPECT_FALSE(wrongPassword->signedOk);
  EXPECT_TRUE(SignatureStore(path_, ArchiveAccess::kReadOnly).For(SignTarget::Download(1)).empty());
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_TRUE(errors_[0].contains("no es una tabla guardada")) << errors_[0].toStdString();
  // This run's download is untouched: the data window shows it (empty) again.
  EXPECT_TRUE(main.DownloadText().empty());
  EXPECT_FALSE(main.DATOSDESCARGADOS());
}

// The audit view lists the archive's entries, picks them by station, action and text, and exports
// those picked as CSV.
TEST_F(ArchiveWindows, AuditViewFiltersEntriesAndExportsThePickedOnes) {
  {
    DownloadArchive archive(path_);
    NewDownload download;
    download.rawText = DownloadText(10);
    download.port = "/dev/ttyUSB0";
    download.program = "velmorante 3.2.0";
    archive.Add(download);
    download.station = "bodega";
    archive.Add(download);
    AuditChange change;
    change.action = AuditAction::kStationChange;
    change.station = "bodega";
    change.object = "station bodega";
    change.reason = "=HYPERLINK(\"x\")";
    archive.AppendAudit(CurrentActor("velmorante-cli", "3.2.0"), change);
  }
  Start(nullptr);
  TForm1& main = *windows_.Form1;
  const std::string csv = folder_.File("auditoria.csv");
  SetFileChoiceAnswer([&](QWidget*, const QString&) { return QString::fromStdString(csv); });
  std::vector<std::size_t> counts;
  QStringList objects, stations;
  QKeySequence shortcut;
  bool reasonInView = false;
  bool exported = false, done = false;
  QTimer::singleShot(0, [&] {
    auto* history = main.findChild<DownloadHistoryWindow*>();
    ASSERT_NE(history, nullptr);
    WhenShown(history, [&, history] {
      // Two stations' downloads are told apart by the history's station column.
      for (int row = 0; row < history->Model()->rowCount(); ++row)
        stations << history->Model()->index(row, 1).data().toString();
      stations << history->Model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString();
      // The audit trail has its shortcut, as the station's record has.
      shortcut = history->findChild<ColorButton*>(QStringLiteral("AuditButton"))->shortcut();
      QTimer::singleShot(0, [&, history] {
        AuditWindow* audit = history->Audit();
        ASSERT_NE(audit, nullptr);
        WhenShown(audit, [&, audit] {
          counts.push_back(audit->Shown().size());
          for (int row = 0; row < audit->List()->rowCount(); ++row)
            objects << audit->List()->item(row, 6)->text();
          const QHeaderView* header = audit->List()->horizontalHeader();
          reasonInView = header->sectionViewportPosition(9) + 60 <= header->viewport()->width();
          auto* station = audit->findChild<QComboBox*>("StationFilter");
          station->setCurrentIndex(station->findText("bodega"));
          counts.push_back(audit->Shown().size());
          auto* action = audit->findChild<QComboBox*>("ActionFilter");
          action->setCurrentIndex(action->findText("descarga"));
          counts.push_back(audit->Shown().size());
          action->setCurrentIndex(0);
          audit->findChild<QLineEdit*>("TextFilter")->setText("hyperlink");
          counts.push_back(audit->Shown().size());
          exported = audit->ExportClick();
          done = true;
        });
      });
      history->OpenAudit();
    });
  });
  main.HistoryButton->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, kWaitMs));
  EXPECT_EQ(counts, (std::vector<std::size_t>{3, 2, 1, 1}));
  EXPECT_EQ(stations, (QStringList{"bodega", "-", "ESTACIÓN"}));
  EXPECT_EQ(shortcut, QKeySequence(Qt::CTRL | Qt::Key_U));
  // The objects in Spanish, and the reason in view on the right at the window's first size.
  objects.sort();
  EXPECT_EQ(objects, (QStringList{"descarga 1", "descarga 2", "estación bodega"}));
  EXPECT_TRUE(reasonInView);
  EXPECT_EQ(AuditWindow::ObjectText("station norte 2026-12-07T00:05:00 2026-12-07T20:40:00"),
            QStringLiteral("estación norte, 07/12/2026 00:05:00 – 07/12/2026 20:40:00"));
  EXPECT_EQ(AuditWindow::ObjectText("station norte notifications"),
            QStringLiteral("estación norte (avisos)"));
  EXPECT_EQ(AuditWindow::ObjectText("/home/ana/informe.pdf"),
            QStringLiteral("/home/ana/informe.pdf"));
  // A signed download is "firmada", a station's record "firmado".
  EXPECT_EQ(DataWindowSigning::SignedText(QStringLiteral("la descarga archivada 13"),
                                          QStringLiteral("Revisado"), QStringLiteral("ana"),
                                          QStringLiteral("08/12/2026 10:00:00")),
            QStringLiteral("La descarga archivada 13 queda firmada: Revisado por ana el 08/12/2026 "
                           "10:00:00."));
  EXPECT_TRUE(DataWindowSigning::SignedText(QStringLiteral("el registro de la estación norte"),
                                            QStringLiteral("Aprobado"), QStringLiteral("ana"),
                                            QStringLiteral("08/12/2026 10:00:00"))
                  .startsWith(QStringLiteral("El registro de la estación norte queda firmado:")));
  ASSERT_TRUE(exported);
  const std::string text = Bytes(csv);
  EXPECT_EQ(text.rfind("id,at,utc_offset,user,host,program,version,action,station,object,old,new,"
                       "reason\r\n",
                       0),
            0u)
      << text;
  // One entry, and the reason a spreadsheet would run as a formula is kept as text.
  EXPECT_NE(text.find("\"station_change\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"'=HYPERLINK(\"\"x\"\")\""), std::string::npos) << text;
  EXPECT_EQ(text.find("\"download\""), std::string::npos) << text;
}

// The history window as an operator without a mouse and with a large font uses it: Return opens
// the current row, Tab reaches both buttons, every heading and cell fits its column; a cut-short
// download says so in the data window, and a saved table with an impossible date is refused with
// its line named.
TEST_F(ArchiveWindows, HistoryByKeyboardWholeColumnsCutShortNoticeAndImpossibleTables) {
  {
    NewDownload download;
    // The line went after the sixth sample: whole lines, so nothing fails to decode.
    const std::string whole = DownloadText(40);
    std::size_t end = 0;
    for (int line = 0; line < 8; ++line) end = whole.find("\r\n", end) + 2;
    download.rawText = whole.substr(0, end);
    WriteBytes(folder_.File("cortada.raw"), download.rawText);
    download.port = "/dev/ttyUSB0";
    download.reason = EndReason::kLineLost;
    DownloadArchive(path_).Add(download);
  }
  const std::string impossible = folder_.File("imposible.txt");
  WriteBytes(impossible,
             "28/02/2026  23:55:00  50,0  23,5\r\n31/02/2026  25:61:00  50,4  23,6\r\n");
  const std::string possible = folder_.File("posible.txt");
  WriteBytes(possible, "28/02/2026  23:55:00  50,0  23,5\r\n");
  Start(nullptr);
  TForm1& main = *windows_.Form1;
  TForm5* data = windows_.Form5;
  QString notice, rawNotice, noticeAfter = QStringLiteral("not shown");
  QStringList tabStops;
  bool allFit = true;
  bool opened = false, done = false;
  QTimer::singleShot(0, [&] {
    auto* history = main.findChild<DownloadHistoryWindow*>();
    ASSERT_NE(history, nullptr);
    WhenShown(history, [&, history] {
      auto* list = history->findChild<QTableView*>(QStringLiteral("HistoryList"));
      list->setFocus();
      for (int i = 0; i < 3; ++i) {
        QTest::keyClick(history->focusWidget(), Qt::Key_Tab);
        tabStops << history->focusWidget()->objectName();
      }
      const QFontMetrics heading(list->horizontalHeader()->font());
      for (int column = 0; column < history->Model()->columnCount(); ++column) {
        const QString title =
            history->Model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const QString cell = history->Model()->index(0, column).data().toString();
        const int needed = std::max(heading.horizontalAdvance(title),
                                    QFontMetrics(list->font()).horizontalAdvance(cell));
        if (list->columnWidth(column) < needed) allFit = false;
      }
      WhenShown(data, [&] {
        opened = true;
        notice = data->Notice();
      });
      list->setFocus();
      QTest::keyClick(list, Qt::Key_Return);
      WhenShown(data, [&] { rawNotice = data->Notice(); });
      EXPECT_TRUE(history->OpenFile(QString::fromStdString(folder_.File("cortada.raw"))));
      EXPECT_FALSE(history->OpenFile(QString::fromStdString(impossible)));
      WhenShown(data, [&] { noticeAfter = data->Notice(); });
      EXPECT_TRUE(history->OpenFile(QString::fromStdString(possible)));
      done = true;
    });
  });
  main.HistoryButton->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, kWaitMs));
  EXPECT_EQ(tabStops, (QStringList{"OpenButton", "OpenFileButton", "HistoryList"}));
  EXPECT_TRUE(allFit);
  EXPECT_TRUE(opened);
  EXPECT_TRUE(notice.contains("INCOMPLETA")) << notice.toStdString();
  EXPECT_TRUE(notice.contains("se perdió la línea")) << notice.toStdString();
  EXPECT_TRUE(rawNotice.contains("INCOMPLETA")) << rawNotice.toStdString();
  EXPECT_TRUE(noticeAfter.isEmpty());  // the next table is not marked
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_TRUE(errors_[0].contains("línea 2: no existe la fecha 31/02/2026"))
      << errors_[0].toStdString();
}

TEST_F(ArchiveWindows, DamagedArchiveIsReportedOnceLeftAloneAndTheDataStillShows) {
  const std::string junk(4096, '\x33');
  WriteBytes(path_, junk);
  const LoggerOptions options = Logger(12);
  Start(&options);
  ASSERT_TRUE(Connect());
  TForm5* data = windows_.Form5;
  int rows = 0;
  WhenShown(data, [&] {
    // The report is queued over the data window: let it come, then look.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !errors_.isEmpty(); }, kWaitMs));
    rows = data->RowCount();
  });
  windows_.Form1->AbColBitBtn4->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return rows > 0 && !data->isVisible(); }, kWaitMs));
  EXPECT_EQ(rows, 13);
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_TRUE(errors_[0].startsWith("La descarga no se archivó")) << errors_[0].toStdString();
  EXPECT_EQ(Bytes(path_), junk);
  // What came is kept beside the archive, in the file the message names.
  const qsizetype named = errors_[0].indexOf(QStringLiteral("descarga-sin-archivar-"));
  ASSERT_GE(named, 0) << errors_[0].toStdString();
  const QString rescue =
      QString::fromStdString(fs::path(path_).parent_path().string()) + '/' +
      errors_[0].mid(named, errors_[0].indexOf(QStringLiteral(".txt"), named) + 4 - named);
  EXPECT_EQ(Bytes(rescue.toStdString()), windows_.Form1->DownloadText());

  // Later downloads of the run go on without the archive and without a new message.
  DownloadArchiver archiver(
      path_, "test", [] { return std::chrono::system_clock::now(); }, nullptr);
  for (int i = 0; i < 2; ++i) {
    archiver.Started("/dev/pts/9", false);
    archiver.Interrupted("012", EndReason::kLineLost);
  }
  QTest::qWait(50);
  EXPECT_EQ(errors_.size(), 2);
  EXPECT_EQ(Bytes(path_), junk);
}

}  // namespace
