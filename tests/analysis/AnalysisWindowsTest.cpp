// The data window's analysis button, the summary window, the report (on paper: its PDF read back
// with pdftotext and drawn with pdftoppm) and the chart window's time axis, on real widgets.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/SpanishCsvExport.h"
#include "app/DataWindowSigning.h"
#include "app/DataWindowTools.h"
#include "archive/AuditTrail.h"
#include "archive/CalibrationStore.h"
#include "archive/DownloadArchive.h"
#include "archive/SignatureStore.h"
#include "charts/ChartTimeOptions.h"
#include "charts/LineChart.h"
#include "charts/Unit6.h"
#include "data_ui/ExportFileDialog.h"
#include "data_ui/SummaryWindow.h"
#include "data_ui/Unit5.h"
#include "tests/record/RecordTestDownloads.h"
#include "window_base/ErrorReport.h"
#include "window_base/FileChoice.h"

namespace {

namespace fs = std::filesystem;

// From 15/03/2012 14:45:30 every 5 minutes: 20,0 / 30,0 / 25,0 / 60,0 °C (the last beyond the
// chart's range) at 50 % relative humidity.
const char kDownload[] =
    "012003015030\r\n045014002000\r\n007068002188\r\n007068003032\r\n007068002238\r\n"
    "007068004076\r\nA";

std::string CommandOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class AnalysisWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("velmorante-analysis-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
    window_.SetDownloadTextSource([] { return std::string(kDownload); });
    window_.FormActivate();
    SetErrorReportObserver([this](const QString& text) { errors_ << text; }, false);
  }
  void TearDown() override {
    SetFileChoiceAnswer(nullptr);
    SetErrorReportObserver(nullptr);
    fs::remove_all(dir_);
  }
  void ChooseFile(const fs::path& path) {
    SetFileChoiceAnswer(
        [path](QWidget*, const QString&) { return QString::fromStdString(path.string()); });
  }
  QAction* MenuAction(DataWindowTools& tools, const QString& startsWith) {
    for (QAction* action : tools.menu()->actions())
      if (action->text().startsWith(startsWith)) return action;
    return nullptr;
  }

  fs::path dir_;
  TForm5 window_;
  QStringList errors_;
};

TEST_F(AnalysisWindowsTest, ButtonSitsInFreeSpaceAndExportsWriteTheFormatOrNothing) {
  DataWindowTools tools(&window_);
  const QRect button = tools.button()->geometry();
  for (const char* name : {"SpeedButton1", "SpeedButton2", "StringGrid1", "Edit8"}) {
    const auto* control = window_.findChild<QWidget*>(QLatin1String(name));
    ASSERT_TRUE(control) << name;
    EXPECT_FALSE(button.intersects(control->geometry())) << name;
  }
  EXPECT_TRUE(window_.rect().contains(button));

  const fs::path target = dir_ / "datos.csv";
  ChooseFile(target);
  MenuAction(tools, QStringLiteral("Exportar CSV para"))->trigger();
  EXPECT_EQ(ReadFile(target), analysis::SpanishCsvText(window_.Table()));
  EXPECT_TRUE(errors_.isEmpty());

  // A folder that does not exist: the failure is reported, nothing is left behind.
  ChooseFile(dir_ / "no" / "datos.json");
  MenuAction(tools, QStringLiteral("Exportar JSON"))->trigger();
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_FALSE(fs::exists(dir_ / "no"));
}

TEST_F(AnalysisWindowsTest, SummaryTakesTypedLimitsAndRefusesUnreadableOnes) {
  SummaryWindow summary;
  summary.ShowTable(window_.Table());
  summary.temperatureLow->setText(QStringLiteral("21"));
  summary.temperatureHigh->setText(QStringLiteral("29,5"));
  ASSERT_TRUE(summary.ApplyLimits());
  auto rowNamed = [&summary](const QString& name) {
    for (int r = 0; r < summary.FigureRowCount(); ++r)
      if (summary.CellText(r, 0) == name) return r;
    return -1;
  };
  const int mean = rowNamed(QStringLiteral("Media"));
  ASSERT_GE(mean, 0);
  EXPECT_EQ(summary.CellText(mean, 2), QStringLiteral("33,75"));  // (20 + 30 + 25 + 60) / 4
  const int above = rowNamed(QStringLiteral("Muestras por encima"));
  ASSERT_GE(above, 0);
  EXPECT_EQ(summary.CellText(above, 2), QStringLiteral("2"));
  EXPECT_EQ(summary.CellText(rowNamed(QStringLiteral("Tiempo fuera (minutos)")), 2),
            QStringLiteral("15"));

  summary.humidityHigh->setText(QStringLiteral("8O"));  // a letter O for a zero
  EXPECT_FALSE(summary.ApplyLimits());
  EXPECT_FALSE(summary.LimitProblem().isEmpty());
  EXPECT_FALSE(summary.Limits().humidity.IsSet());
  EXPECT_EQ(*summary.Limits().temperature.high, 29.5);
}

// In the operators' locale (a decimal comma), with the keyboard: the table is one tab stop, Return
// in a limit box applies the limits once and raises nothing, "45.5" reads like "45,5", limits the
// sensor cannot give or reversed ones are named with their channel and leave no stale results.
TEST_F(AnalysisWindowsTest, SummaryLimitsByKeyboardInACommaLocale) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "es_ES.UTF-8");  // stays "C" where that locale is missing
  DataWindowTools tools(&window_);
  SummaryWindow& summary = *tools.summary();
  summary.ShowTable(window_.Table());
  summary.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&summary));
  int applied = 0;
  QObject::connect(&summary, &SummaryWindow::LimitsApplied, [&applied] { ++applied; });

  auto* figures = summary.findChild<QTableWidget*>(QStringLiteral("Figures"));
  figures->setFocus();
  QStringList stops;
  for (int i = 0; i < 5; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    stops << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(stops, (QStringList{"HumidityLow", "HumidityHigh", "TemperatureLow", "TemperatureHigh",
                                "ApplyLimits"}));
  EXPECT_FALSE(figures->horizontalHeader()->highlightSections());  // headings keep their width

  summary.temperatureLow->setText(QStringLiteral("20.5"));
  summary.temperatureHigh->setText(QStringLiteral("45,00"));
  QTest::keyClick(summary.temperatureHigh, Qt::Key_Return);
  EXPECT_EQ(applied, 1);
  EXPECT_TRUE(summary.isVisible());
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
  ASSERT_TRUE(summary.Limits().temperature.low);
  EXPECT_EQ(*summary.Limits().temperature.low, 20.5);
  EXPECT_EQ(*summary.Limits().temperature.high, 45.0);
  // The window's own text reads back.
  ASSERT_TRUE(summary.ApplyLimits()) << summary.LimitProblem().toStdString();

  summary.humidityHigh->setText(QStringLiteral("140,2"));
  EXPECT_FALSE(summary.ApplyLimits());
  EXPECT_TRUE(summary.LimitProblem().startsWith("Humedad relativa"))
      << summary.LimitProblem().toStdString();
  summary.humidityHigh->setText(QString());
  summary.temperatureLow->setText(QStringLiteral("30"));
  summary.temperatureHigh->setText(QStringLiteral("20"));
  EXPECT_FALSE(summary.ApplyLimits());
  EXPECT_TRUE(summary.LimitProblem().startsWith("Temperatura"))
      << summary.LimitProblem().toStdString();
  EXPECT_FALSE(summary.Limits().temperature.IsSet());
  for (int r = 0; r < summary.FigureRowCount(); ++r)
    EXPECT_NE(summary.CellText(r, 0), QStringLiteral("Muestras por encima"));
  summary.hide();
  std::setlocale(LC_ALL, before.c_str());
}

// The data window by keyboard: the table is one tab stop on the way to every button, and
// "ANÁLISIS" has its picture like its neighbours.
TEST_F(AnalysisWindowsTest, DataWindowTabReachesEveryButton) {
  // The signing's button made first, as it is when the window first shows: Tab still follows the
  // column from top to bottom.
  DataWindowSigning signing(&window_);
  signing.button();
  DataWindowTools tools(&window_);
  window_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  signing.button()->setEnabled(true);  // as for a download kept in the archive
  EXPECT_FALSE(tools.button()->icon().isNull());
  EXPECT_EQ(tools.button()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
  window_.findChild<QWidget*>(QStringLiteral("StringGrid1"))->setFocus();
  QStringList stops;
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    stops << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(stops, (QStringList{"SpeedButton1", "SpeedButton2", "AnalysisButton", "SignButton"}));
  window_.hide();
}

TEST_F(AnalysisWindowsTest, ReportPdfHoldsTheIdentityAndFiguresAndDraws) {
  DataWindowTools tools(&window_);
  analysis::LimitSettings limits;
  limits.temperature = {21.0, 29.0};
  tools.summary()->SetLimits(limits);
  const fs::path pdf = dir_ / "informe.pdf";
  ChooseFile(pdf);
  MenuAction(tools, QStringLiteral("Guardar informe"))->trigger();
  ASSERT_TRUE(fs::exists(pdf)) << errors_.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(ReadFile(pdf).substr(0, 5), "%PDF-");

  const std::string text = CommandOutput("pdftotext -layout '" + pdf.string() + "' - 2>&1");
  for (const char* expected :
       {"INFORME DE DATOS DESCARGADOS", "15/03/2012 14:45:30", "CADA 5 MINUTOS",
        "15/03/2012 14:50:30", "15/03/2012 15:05:30", "33,75", "Temperatura cinética media",
        "21,00 a 29,00", "TEMPERATURA vs. TIEMPO", "HUMEDAD vs. TIEMPO"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;

  CommandOutput("pdftoppm -png -r 40 '" + pdf.string() + "' '" + (dir_ / "page").string() + "'");
  const fs::path page = dir_ / "page-1.png";
  ASSERT_TRUE(fs::exists(page));
  EXPECT_GT(fs::file_size(page), 10000u);  // two coloured charts, not a blank page
}

TEST_F(AnalysisWindowsTest, ReportFromTheCommandLineWithoutADisplay) {
  const fs::path raw = dir_ / "raw.txt";
  std::ofstream(raw, std::ios::binary) << kDownload;
  const fs::path pdf = dir_ / "cli.pdf";
  const std::string program = VELMORANTE_PROGRAM;
  const std::string base = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + program +
                           "' --report '" + raw.string() + "' --out '" + pdf.string() + "'";
  EXPECT_EQ(std::system((base + " --limits-t 30:20 2>/dev/null").c_str()) >> 8, 2);
  EXPECT_FALSE(fs::exists(pdf));
  ASSERT_EQ(std::system((base + " --limits-rh :40").c_str()) >> 8, 0);
  const std::string text = CommandOutput("pdftotext '" + pdf.string() + "' - 2>&1");
  EXPECT_NE(text.find("hasta 40,00"), std::string::npos) << text;

  // An archived download: the page names when and where it was received, its checksum and who
  // signed it.
  const fs::path archivePath = dir_ / "descargas.sqlite";
  NewDownload download;
  download.rawText = kDownload;
  download.receivedAt = std::chrono::system_clock::now();
  download.port = "/dev/ttyUSB7";
  download.program = "velmorante test";
  std::int64_t id = 0;
  std::string sha256;
  {
    DownloadArchive archive(archivePath.string());
    id = archive.Add(download);
    sha256 = archive.Get(id).summary.sha256;
  }
  SignatureStore(archivePath.string())
      .Add(SignTarget::Download(id), SignMeaning::kAprobado, "ana", {"ana", "host", "test", "1"});
  const fs::path archived = dir_ / "archived.pdf";
  const std::string fromArchive = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                  program + "' --report --history " + std::to_string(id) +
                                  " --archive '" + archivePath.string() + "' --out '" +
                                  archived.string() + "'";
  ASSERT_EQ(std::system(fromArchive.c_str()) >> 8, 0);
  const std::string identity = CommandOutput("pdftotext '" + archived.string() + "' - 2>&1");
  EXPECT_NE(identity.find("/dev/ttyUSB7"), std::string::npos) << identity;
  EXPECT_NE(identity.find(sha256.substr(0, 32)), std::string::npos) << identity;
  EXPECT_NE(identity.find("33,75"), std::string::npos) << identity;
  EXPECT_NE(identity.find("Aprobado por ana el "), std::string::npos) << identity;
  // A record that is not there, or an archive that does not exist, gives no page and no archive.
  const fs::path none = dir_ / "none.pdf";
  const fs::path missingArchive = dir_ / "missing.sqlite";
  EXPECT_EQ(std::system(("'" + program + "' --report --history 99 --archive '" +
                         archivePath.string() + "' --out '" + none.string() + "' 2>/dev/null")
                            .c_str()) >>
                8,
            1);
  EXPECT_EQ(std::system(("'" + program + "' --report --history 1 --archive '" +
                         missingArchive.string() + "' --out '" + none.string() + "' 2>/dev/null")
                            .c_str()) >>
                8,
            1);
  EXPECT_FALSE(fs::exists(none));
  EXPECT_FALSE(fs::exists(missingArchive));
}

TEST_F(AnalysisWindowsTest, ReportOfAStationsRecordWithoutADisplay) {
  const fs::path archivePath = dir_ / "estaciones.sqlite";
  {
    DownloadArchive archive(archivePath.string());
    NewDownload download;
    download.station = "norte";
    download.rawText = record_test::Download({12, 7, 14, 5}, record_test::Readings(4));
    archive.Add(download);
    download.rawText = record_test::Download({12, 7, 15, 0}, record_test::Readings(3));
    archive.Add(download);
  }
  // "--report --station NAME": --report takes no file then.
  const auto report = [&](const std::string& station, const fs::path& pdf,
                          const std::string& more) {
    return std::system(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                        std::string(VELMORANTE_PROGRAM) + "' --report --station " + station +
                        " --archive '" + archivePath.string() + "' --out '" + pdf.string() + "' " +
                        more + " 2>/dev/null")
                           .c_str()) >>
           8;
  };
  const fs::path pdf = dir_ / "norte.pdf";
  ASSERT_EQ(report("norte", pdf, "--from 2026-12-07T14:15:00"), 0);
  const std::string text = CommandOutput("pdftotext -layout '" + pdf.string() + "' - 2>&1");
  EXPECT_NE(text.find("07/12/2026 14:15:00"), std::string::npos) << text;
  EXPECT_NE(text.find("07/12/2026 15:15:00"), std::string::npos) << text;
  const fs::path none = dir_ / "oeste.pdf";
  EXPECT_EQ(report("oeste", none, ""), 1);
  EXPECT_EQ(report("norte", none, "--to 2026-12-07"), 2);
  EXPECT_FALSE(fs::exists(none));
}

// A station calibrated from 15:00 with a lapsed certificate: the page shows the corrected figures,
// names the certificate and its correction, and says the calibration has expired.
TEST_F(AnalysisWindowsTest, ReportOfACalibratedStationNamesTheCorrection) {
  const fs::path archivePath = dir_ / "calibrada.sqlite";
  {
    DownloadArchive archive(archivePath.string());
    NewDownload download;
    download.station = "norte";
    download.rawText = record_test::Download({12, 7, 14, 5}, record_test::Readings(4));
    archive.Add(download);
    download.rawText = record_test::Download({12, 7, 15, 0}, record_test::Readings(3));
    archive.Add(download);
    Calibration calibration;
    calibration.station = "norte";
    calibration.temperatureOffset = 1.0;
    calibration.certificate = "CAL-9";
    calibration.certificateDate = "2019-01-10";
    calibration.appliesFrom = "2026-12-07T15:00:00";
    calibration.due = "2020-01-10";
    CalibrationStore(archivePath.string()).Set(calibration, CurrentActor("test", "0"), "prueba");
  }
  const fs::path pdf = dir_ / "calibrada.pdf";
  ASSERT_EQ(
      std::system(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                   std::string(VELMORANTE_PROGRAM) + "' --report --station norte --archive '" +
                   archivePath.string() + "' --out '" + pdf.string() + "'")
                      .c_str()) >>
          8,
      0);
  const std::string text = CommandOutput("pdftotext '" + pdf.string() + "' - 2>&1");
  for (const char* expected :
       {"certificado CAL-9", "+ 1,00", "CALIBRACIÓN VENCIDA", "23,50", "24,50"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

TEST_F(AnalysisWindowsTest, ChartTimeAxisReadOutLimitLinesAndEdgeMarks) {
  TForm6 charts;
  charts.SetTableSource([this] { return &window_.Table(); });
  analysis::LimitSettings limits;
  limits.temperature = {21.0, 29.0};
  // The charts are made at the window's first showing or filling: before the option that uses them.
  charts.resize(553, 521);
  charts.FormActivate();
  ChartTimeOptions options(
      &charts, [this] { return &window_.Table(); }, [&limits] { return limits; });
  options.Apply();
  // The sample axis stays the default; limits and marks show on it too.
  EXPECT_FALSE(options.timeAxisBox()->isChecked());
  EXPECT_EQ(charts.Series1->data()->at(3)->key, 3.0);
  EXPECT_EQ(charts.Chart1->itemCount(), 2);   // low and high limit lines
  EXPECT_EQ(charts.Chart1->graphCount(), 2);  // the series and the mark for 60 °C
  EXPECT_EQ(charts.Chart2->itemCount(), 0);

  options.timeAxisBox()->setChecked(true);
  ASSERT_TRUE(qSharedPointerDynamicCast<QCPAxisTickerDateTime>(charts.Chart1->xAxis->ticker()));
  const double first = charts.Series1->data()->at(0)->key;
  EXPECT_EQ(charts.Series1->data()->at(3)->key - first, 15 * 60.0);
  charts.Chart1->replot();
  const int x = static_cast<int>(charts.Chart1->xAxis->coordToPixel(first + 5 * 60 + 20));
  EXPECT_EQ(options.ReadOutAt(*charts.Chart1, x),
            QStringLiteral("Muestra 2   15/03/2012 14:55:30   30,0 °C"));

  // A zoom undone by a right-to-left drag comes back to the dates of the samples, as on the
  // sample axis, not to 1970.
  const QCPRange standard = charts.Chart1->xAxis->range();
  const QRect plot = charts.Chart1->axisRect()->rect();
  charts.Chart1->ZoomToPixels(plot.topLeft() + QPoint(20, 20), plot.center());
  ASSERT_TRUE(charts.Chart1->isViewMoved());
  charts.Chart1->RestoreStandardView();  // what the mouse handler runs for that drag
  EXPECT_FALSE(charts.Chart1->isViewMoved());
  EXPECT_EQ(charts.Chart1->xAxis->range().lower, standard.lower);
  EXPECT_EQ(charts.Chart1->xAxis->range().upper, standard.upper);

  options.timeAxisBox()->setChecked(false);
  EXPECT_TRUE(qSharedPointerDynamicCast<QCPAxisTickerFixed>(charts.Chart1->xAxis->ticker()));
  EXPECT_EQ(charts.Chart1->xAxis->range().upper, 3.0);  // the sample axis' own view
  EXPECT_EQ(charts.Series1->data()->at(3)->key, 3.0);
  EXPECT_EQ(charts.Chart1->graphCount(), 2);  // the marks were redrawn, not added twice
}

}  // namespace
