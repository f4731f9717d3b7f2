// The program's command line.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct StartupOptions {
  QString port;                // --port NAME: ComPort1's port before the setup dialog
  bool demo = false;           // --demo: a logger emulator inside the program
  bool noGui = false;          // --no-gui: the command-line demo instead of the windows
  QString screenshotsDir;      // --screenshots DIR (hidden): save every window as PNG and quit
  bool quitAfterShow = false;  // --quit-after-show (hidden): report start-up time and quit
  QString reportSource;        // --report SOURCE: a PDF report of a capture or saved table
  QString reportOut;           // --out FILE.pdf: where the report goes
  QString limitsHumidity;      // --limits-rh LO:HI for the report
  QString limitsTemperature;   // --limits-t LO:HI for the report
  QString reportHistoryId;     // --report --history ID: an archived download instead of a file
  QString reportStation;       // --report --station NAME: a station's record instead of a file
  QString reportFrom;          // --from TIME: the record's samples from then on
  QString reportTo;            // --to TIME: the record's samples until then
  QString archivePath;         // --archive FILE: the download archive to read it from
};

// Whether the arguments ask for something that needs no window (help, version, --no-gui). Looked at
// before any application object exists, since the windowed one needs a display.
bool NeedsNoWindows(int argc, char** argv);

// Whether `option` is among the raw arguments.
bool HasArgument(int argc, char** argv, const char* option);

// Parses `arguments` (program name first). Prints help, version or a usage error itself and then
// returns the exit code; returns nothing when the program is to run.
std::optional<int> ParseStartupOptions(const QStringList& arguments, StartupOptions& options);
