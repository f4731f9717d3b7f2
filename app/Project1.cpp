#include "app/Project1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

#include "app/DesktopAlarms.h"
#include "app/FontConfigWarmUp.h"
#include "app/NoDisplayFallback.h"
#include "app/ProcessFormats.h"
#include "app/ProgramWindows.h"
#include "app/QtHandOffPump.h"
#include "app/ReportCommand.h"
#include "app/ScreenshotTour.h"
#include "app/StartupOptions.h"
#include "app/StartupTiming.h"
#include "archive/ArchivePath.h"
#include "link/UiHandOff.h"
#include "sim/LoggerEmulator.h"

namespace {

bool HasDisplay() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    if (!qEnvironmentVariableIsEmpty(name)) return true;
  }
  return false;
}

// Standard buttons and dialogs (file dialog, print dialogs, Yes/No) in Spanish.
void LoadQtTranslations(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (translator->load(QStringLiteral("qtbase_es"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(translator);
  }
}

// Help, version, usage errors and the command-line demo need no display. Without a display the
// arguments are still checked first, so that a mistyped option is reported as such.
int RunWithoutWindows(int argc, char** argv, bool noDisplay) {
  QCoreApplication app(argc, argv);
  NameApplication();
  LoadQtTranslations(app);
  StartupOptions options;
  if (std::optional<int> exitCode = ParseStartupOptions(app.arguments(), options)) {
    return *exitCode;
  }
  if (noDisplay && !options.noGui) {
    if (!options.demo) {
      std::fputs("Velmorante: no hay pantalla (DISPLAY vacío). Pruebe con --demo --no-gui.\n",
                 stderr);
      return 1;
    }
    std::fputs(
        "Velmorante: no hay pantalla (DISPLAY vacío); se ejecuta la demostración en la "
        "terminal.\n",
        stderr);
  }
  return RunTerminalDemo(std::cout, std::cerr);
}

}  // namespace

void NameApplication() {
  // The name titles the message boxes. It is deliberately not made the display name: the window
  // system would append it to every window's title ("Setup — Velmorante"), and the windows carry
  // their own exact captions.
  QCoreApplication::setApplicationName(QStringLiteral("Velmorante"));
  QCoreApplication::setApplicationVersion(QStringLiteral(VELMORANTE_VERSION));
}

int RunProject1(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  if (NeedsNoWindows(argc, argv)) return RunWithoutWindows(argc, argv, false);
  if (AsksForReport(argc, argv)) return RunReportCommand(argc, argv);
  if (!HasDisplay()) return RunWithoutWindows(argc, argv, true);

  FontConfigWarmUp fonts;  // while the application connects to the display
  QApplication app(argc, argv);
  NameApplication();
  LoadQtTranslations(app);
  ApplyProcessFormats();

  StartupOptions options;
  if (std::optional<int> exitCode = ParseStartupOptions(app.arguments(), options)) {
    return *exitCode;
  }

  QtHandOffPump pump(UiHandOff::Main());

  // The emulator lives until the windows are gone.
  std::unique_ptr<LoggerEmulator> emulator;
  TForm1::Options windowOptions;
  QString port = options.port;
  if (options.demo || !options.screenshotsDir.isEmpty()) {
    LoggerOptions loggerOptions;
    emulator = std::make_unique<LoggerEmulator>(loggerOptions);
    try {
      emulator->Start();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "Velmorante: no se pudo iniciar el logger simulado: %s\n", error.what());
      return 1;
    }
    windowOptions.extraPorts.push_back(emulator->PortPath());
    if (port.isEmpty()) port = QString::fromStdString(emulator->PortPath());
  }
  if (!options.port.isEmpty()) windowOptions.extraPorts.push_back(options.port.toStdString());
  windowOptions.runSetupDialog = !options.quitAfterShow;

  fonts.Wait();
  ProgramWindows windows = CreateProgramWindows(windowOptions);
  if (!port.isEmpty()) windows.Form1->ComPort1.SetPort(port.toStdString());
  windows.Form1->SetArchivePath(DefaultArchivePath());

  std::unique_ptr<ScreenshotTour> tour;
  if (!options.screenshotsDir.isEmpty()) {
    tour = std::make_unique<ScreenshotTour>(windows, options.screenshotsDir);
    tour->Start();
  }
  if (options.quitAfterShow) QuitAfterFirstPaint(windows.Form1.get(), sinceStart);

  // New alarm events of the archive on the desktop; the session bus is looked for only once the
  // windows are up. Neither a tour nor a timed start shows any.
  DesktopAlarms desktopAlarms([] { return QDBusConnection::sessionBus(); },
                              DesktopAlarms::ArchiveSource(DefaultArchivePath()),
                              std::chrono::seconds(5));
  if (options.screenshotsDir.isEmpty() && !options.quitAfterShow) {
    desktopAlarms.Start(std::chrono::seconds(3));
  }

  windows.Form1->show();
  const int exitCode = app.exec();
  tour.reset();
  windows.Form1.reset();
  return exitCode;
}
