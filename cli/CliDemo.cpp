// The demo: a logger emulator in this process, one status reply and a download table from it.
#include <chrono>
#include <ostream>

#include "cli/CliArguments.h"
#include "cli/CliCommands.h"
#include "cli/CliOutput.h"
#include "cli/DownloadOutput.h"
#include "cli/CliSession.h"
#include "cli/Translate.h"
#include "sim/LoggerEmulator.h"

using namespace cli;
using std::chrono::milliseconds;

int RunCliDemo(std::ostream& out, std::ostream& err) {
  try {
    LoggerOptions options;
    options.storedSamples = 12;
    options.baud = 0;
    options.statusPeriodMs = 300;
    options.endMarkerPauseMs = 60;
    options.recordLive = false;
    LoggerEmulator logger(options);
    logger.Start();
    out << Format(_("Logger emulator on %s"), logger.PortPath()) << '\n';
    CliSession session(logger.PortPath());
    out << Format(_("Status: %s"), StatusLine(session.NextStatus(milliseconds(5000)))) << '\n';
    const std::string text =
        session.Download(false, milliseconds(5000), milliseconds(5000), nullptr);
    return ShowOrSave(text, "", out, err);
  } catch (const std::exception& error) {
    err << "velmorante-cli: " << Format(_("demo failed: %s"), error.what()) << '\n';
    return kFailed;
  }
}
