// The program without its modules: a download whose archive module cannot be loaded is still shown
// and kept in the main window, a chart window without its chart module still opens, and a report
// asked for without the chart module fails plainly. Each problem is said once, naming the file and
// the reason. The modules are looked for in a folder that has none, or a broken one.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>

#include "app/ProgramWindows.h"
#include "charts/Unit6.h"
#include "data_ui/Unit5.h"
#include "sim/LoggerEmulator.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "widgets/ColorButton.h"
#include "widgets/RockerSwitch.h"
#include "window_base/ErrorReport.h"

namespace {

using namespace archive_test;

constexpr int kWaitMs = 10000;

// Runs `action` once `window` is shown and `ready` holds (inside its modal loop), then closes it.
void WhenShown(QWidget* window, std::function<bool()> ready, std::function<void()> action) {
  auto* timer = new QTimer(window);
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, window, [timer, window, ready, action] {
    if (!window->isVisible() || !ready()) return;
    timer->stop();
    timer->deleteLater();
    action();
    window->close();
  });
  timer->start();
}

TEST(MissingModule, DownloadIsShownAndKeptAndTheChartWindowOpensWithoutItsCharts) {
  TempFolder folder;
  qputenv("VELMORANTE_MODULE_DIR", folder.path().c_str());
  QStringList errors;
  SetErrorReportObserver([&errors](const QString& text) { errors << text; }, false);

  LoggerOptions options;
  options.storedSamples = 12;
  options.baud = 0;
  options.statusPeriodMs = 100;
  options.endMarkerPauseMs = 100;
  options.recordLive = false;
  LoggerEmulator logger(options);
  logger.Start();
  ProgramWindows windows =
      CreateProgramWindows({.runSetupDialog = false, .extraPorts = {}, .clock = {}});
  TForm1& main = *windows.Form1;
  main.SetArchivePath(folder.File("descargas.sqlite"));
  main.show();
  main.ComPort1.SetPort(logger.PortPath());
  QTest::mouseClick(main.AbRockerSwitch1, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !main.Edit3->text().isEmpty(); }, 3000));

  TForm5* data = windows.Form5;
  TForm6* charts = windows.Form6;
  int rows = 0;
  bool chartsShown = false;
  // Once the data window is up and the queued report has come: GRAFICAR, then Copiar there.
  WhenShown(
      charts, [&] { return true; },
      [&] {
        chartsShown = true;
        charts->AbColBitBtn1->click();
      });
  WhenShown(
      data, [&] { return !errors.isEmpty(); },
      [&] {
        rows = data->RowCount();
        data->SpeedButton2Click();
      });
  main.AbColBitBtn4->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return rows > 0 && !data->isVisible(); }, kWaitMs));

  EXPECT_EQ(rows, 13);
  EXPECT_NE(main.DownloadText().find('A'), std::string::npos);
  EXPECT_TRUE(chartsShown);
  EXPECT_EQ(charts->Chart1, nullptr);
  ASSERT_EQ(errors.size(), 3) << errors.join('\n').toStdString();
  EXPECT_TRUE(errors[0].startsWith("La descarga no se archivó: no se pudo cargar el módulo "))
      << errors[0].toStdString();
  EXPECT_TRUE(errors[0].contains("velmorante-archive.so")) << errors[0].toStdString();
  for (const QString& error : {errors[1], errors[2]}) {
    EXPECT_TRUE(
        error.startsWith("No se pudo cargar el módulo velmorante-charts.so del programa: "
                         "no está en " +
                         QString::fromStdString(folder.path().string())))
        << error.toStdString();
  }
  QTest::mouseClick(main.AbRockerSwitch1, Qt::LeftButton);
  SetErrorReportObserver({});
}

TEST(MissingModule, ReportWithABrokenChartModuleFailsNamingTheFileAndWritesNothing) {
  TempFolder folder;
  WriteBytes(folder.File("velmorante-charts.so"), "not a library");
  WriteBytes(folder.File("raw.txt"), DownloadText(4));
  const std::string pdf = folder.File("informe.pdf");
  const std::string errors = folder.File("errors.txt");
  const std::string command = "VELMORANTE_MODULE_DIR='" + folder.path().string() + "' '" +
                              VELMORANTE_PROGRAM + "' --report '" + folder.File("raw.txt") +
                              "' --out '" + pdf + "' 2>'" + errors + "'";
  EXPECT_EQ(std::system(command.c_str()) >> 8, 1);
  EXPECT_FALSE(fs::exists(pdf));
  const std::string said = Bytes(errors);
  EXPECT_NE(said.find("velmorante: No se pudo cargar el módulo " +
                      folder.File("velmorante-charts.so") + " del programa: "),
            std::string::npos)
      << said;
}

}  // namespace
