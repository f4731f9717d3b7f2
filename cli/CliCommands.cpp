#include "cli/CliCommands.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <optional>
#include <ostream>

#include "archive/AuditChanges.h"
#include "cli/AtomicFile.h"
#include "cli/CliAlarms.h"
#include "cli/CliAnalysis.h"
#include "cli/CliArguments.h"
#include "cli/CliAudit.h"
#include "cli/CliCalibration.h"
#include "cli/CliCentral.h"
#include "cli/CliHistory.h"
#include "cli/CliMapping.h"
#include "cli/CliOutput.h"
#include "cli/CliRecord.h"
#include "cli/CliSession.h"
#include "cli/CliSign.h"
#include "cli/CliStation.h"
#include "cli/ClockResetGuard.h"
#include "cli/CommandHelp.h"
#include "cli/DownloadOutput.h"
#include "cli/InterruptSignals.h"
#include "cli/OutputTargets.h"
#include "cli/Translate.h"
#include "data/SampleDecoder.h"
#include "data/SavedFileFormat.h"
#include "link/ClockSettingCheck.h"
#include "link/LoggerClockReading.h"
#include "link/LoggerProtocol.h"
#include "link/SerialPortList.h"
#include "sim/LoggerEmulator.h"

namespace {

using std::chrono::milliseconds;

using namespace cli;

// clang-format off
const char kUsage[] = N_(
    "Usage: velmorante-cli COMMAND [options]\n"
    "Talks to the humidity and temperature logger on a serial port.\n"
    "\n"
    "Commands:\n"
    "  ports                                list the serial ports of this machine, then\n"
    "                                       their stable names (/dev/serial/by-id/...)\n"
    "  status --port P [--count N] [--json]\n"
    "                                       show N status replies (default 1)\n"
    "  download --port P [--force] [--raw FILE] [--out FILE]\n"
    "                                       download the stored samples (--force: the whole\n"
    "                                       memory); print the table or save it to FILE;\n"
    "                                       --raw keeps the characters received\n"
    "  decode FILE [--out FILE]             decode a captured download\n"
    "  set-rate --port P MINUTES            set the sample rate: 1, 5, 10, 15, 30 or 60\n"
    "  set-clock --port P [--discard]       set the logger's clock from this computer's\n"
    "                                       local time; this empties its memory, so it is\n"
    "                                       refused until the archive holds every sample\n"
    "                                       (--discard: erase them all the same)\n"
    "  demo                                 run against a built-in logger emulator\n"
    "  history [--json]                     list the archived downloads, newest first\n"
    "  history show ID [--out FILE] [--raw FILE]\n"
    "                                       print or save an archived download as a table\n"
    "                                       (--raw: the characters received)\n"
    "  history verify                       check every archived download's checksum\n"
"  audit [--since TIME] [--station NAME] [--json]\n"
"                                       list the archive's audit trail: who did what,\n"
"                                       when and why (TIME in UTC)\n"
"  audit verify                         check the audit trail's chain and every archived\n"
"                                       download's checksum\n"
    "  export SOURCE --format csv|csv-es|json [--out FILE]\n"
    "                                       export a download for spreadsheets or programs\n"
    "  stats SOURCE [--json] [--limits-rh LO:HI] [--limits-t LO:HI]\n"
    "                                       minimum, maximum, mean, dew point, mean kinetic\n"
    "                                       temperature and time outside the limits\n"
    "  station add NAME --port P [--reset-at N] [--download-every DURATION]\n"
"              --reason TEXT\n"
    "                                       keep a station: the logger on port P, downloaded\n"
    "                                       every DURATION (default 1d; 30s, 10m, 6h, 1d12h)\n"
    "                                       and emptied once it holds N samples (default 1500)\n"
    "  station set NAME [--port P] [--reset-at N] [--download-every DURATION]\n"
    "                  [--notify-command CMD] [--smtp URL] [--mail-from ADDRESS]\n"
    "                  [--mail-to ADDRESS]... [--smtp-user USER]\n"
    "                  [--smtp-password-file FILE | --smtp-password-env VAR]\n"
    "                  [--central URL] --reason TEXT\n"
    "                                       change a station's settings, where its alarms\n"
    "                                       are sent and the central archive its service\n"
    "                                       pushes to (an empty value clears a setting)\n"
    "  station list [--json]                list the stations\n"
    "  station remove NAME --reason TEXT    forget a station (its downloads and events stay)\n"
    "  station run NAME                     watch the station's logger until stopped: download,\n"
    "                                       archive and empty it when due\n"
    "  station status [NAME] [--json]       what each station's service saw last: the\n"
    "                                       logger's clock, memory, battery, downloads\n"
    "  rules set NAME [--t-low X] [--t-high X] [--rh-low X] [--rh-high X]\n"
    "                 [--t-warn-low X] [--t-warn-high X] [--rh-warn-low X]\n"
    "                 [--rh-warn-high X] [--delay MINUTES] [--hysteresis X] --reason TEXT\n"
    "                                       set station NAME's alarm limits (X a number, or\n"
    "                                       none to clear it); what is not given stays\n"
    "  rules show NAME [--json]             show station NAME's alarm limits\n"
    "  alarms [--station NAME] [--open] [--json]\n"
    "                                       list the alarms raised, newest first\n"
    "  alarms ack ID --comment TEXT         acknowledge alarm ID, saying what was done\n"
    "  alarms check SOURCE [rule options] [--json]\n"
    "                                       the excursions of one download under the limits\n"
    "                                       given (nothing is kept)\n"
    "  calibration set NAME --certificate TEXT --date DATE --due DATE --reason TEXT\n"
    "              [--t-offset X] [--t-gain X] [--rh-offset X] [--rh-gain X]\n"
    "              [--laboratory TEXT] [--from TIME]\n"
    "                                       keep station NAME's calibration: corrected value\n"
    "                                       = raw x gain + offset (gain 1, offset 0 unless\n"
    "                                       given), from TIME (default DATE) until a later\n"
    "                                       one applies; records, exports, statistics and\n"
    "                                       reports show corrected values from then on\n"
    "  calibration show NAME [--json]       list station NAME's calibrations\n"
    "  record NAME --format csv|csv-es|json [--from TIME] [--to TIME] [--out FILE]\n"
    "              [--archive FILE]         export station NAME's archived downloads as one\n"
    "                                       record, recording after recording; gaps between\n"
    "                                       them and samples that downloads read differently\n"
    "                                       are reported\n"
    "  sign --history ID | --station NAME --from TIME --to TIME\n"
    "       --meaning revisado|aprobado [--user NAME] [--password-stdin]\n"
    "       [--archive FILE]\n"
    "                                       sign an archived download or a station's period\n"
    "                                       as reviewed or approved, confirmed with the\n"
    "                                       account's password (asked without echo, or one\n"
    "                                       line of standard input)\n"
    "  mapping --from DATE --to DATE [--station NAME]... [--json]\n"
    "          [--archive FILE]             every station (or those named) side by side from\n"
    "                                       DATE to DATE, the end not included: per channel\n"
    "                                       minimum, maximum, mean, samples and minutes beyond\n"
    "                                       the station's alarm and warning limits; the\n"
    "                                       hottest, coldest, most humid and driest marked\n"
    "  central init URL                     make the central archive's tables and the roles\n"
    "                                       velmorante_station and velmorante_reader in the\n"
    "                                       PostgreSQL database at URL (run by its owner)\n"
    "  sync --central URL [--json]          push the archive to the central archive: what it\n"
    "                                       does not hold yet, once\n"
    "SOURCE is a captured download (download --raw), a saved table file,\n"
    "--history ID [--archive FILE] (an archived download) or --station NAME [--from TIME]\n"
    "[--to TIME] [--archive FILE] (a station's record). TIME is the logger's local time,\n"
    "YYYY-MM-DDTHH:MM:SS; --from and --to include the samples at those times.\n"
    "The station, calibration, audit, set-rate and set-clock commands take --archive FILE\n"
    "too. A station is added, changed or removed only with the reason why (--reason),\n"
    "which the archive's audit trail keeps. DATE is YYYY-MM-DD; a calibration's TIME is\n"
    "a DATE or a TIME as above, and so is mapping's DATE.\n"
    "\n"
    "Every download is archived (--no-archive: not this one). The archive is FILE given\n"
    "with --archive FILE, else $VELMORANTE_ARCHIVE, else\n"
    "$XDG_DATA_HOME/velmorante/descargas.sqlite (~/.local/share when unset).\n"
    "The read commands (history, audit, alarms, record, export, stats, mapping) read a\n"
    "central archive: --archive postgresql://USER@HOST/DATABASE (passwords from\n"
    "~/.pgpass or PGPASSWORD, never in the URL).\n"
    "\n"
    "Options for commands that use a port:\n"
    "  --timeout SECONDS                    how long to wait for the logger (default 5)\n"
    "\n"
    "Other options:\n"
    "  --help                               show this text and exit\n"
    "  --version                            show the version and exit\n"
    "\n"
    "Exit status: 0 done, 1 failed (port, time-out, lost line, decode or file error),\n"
    "2 bad usage.\n");
// clang-format on

// Opens `port`; a port that a station of the archive at `archivePath` holds is named as its.
std::unique_ptr<CliSession> OpenSession(const std::string& port, const std::string& archivePath) {
  try {
    return std::make_unique<CliSession>(port);
  } catch (const EComPort& error) {
    if (ProblemOf(error) == PortProblem::kBusy) {
      const std::string station = StationHoldingPort(archivePath, port);
      if (!station.empty()) {
        throw SessionError(Format(_("cannot open port '%s': %s uses it; stop the station first "
                                    "or wait for it to close the port"),
                                  port, station));
      }
    }
    std::string text = Format(_("cannot open port '%s': %s"), port, TerminalPortErrorText(error));
    if (ProblemOf(error) == PortProblem::kAccessRefused) {
      text += '\n' + Format(_("your user may not open %s: on Linux it must belong to the dialout "
                              "group (sudo usermod -a -G dialout YOUR_USER), then log in again"),
                            port);
    }
    throw SessionError(text);
  }
}

// Shows how much of a download has come, at most a few times a second.
class ProgressLine {
 public:
  explicit ProgressLine(std::ostream& err) : err_(err) {}
  ~ProgressLine() {
    if (shown_) err_ << '\n';
  }
  // At most `expectedSamples`: what comes beyond the logger's memory count is no sample of it.
  void operator()(std::size_t received, std::size_t expectedSamples) {
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_ < milliseconds(250)) return;
    last_ = now;
    shown_ = true;
    const std::size_t samples = std::min(protocol::SamplesIn(received), expectedSamples);
    err_ << '\r'
         << Format(_("downloading: %s characters, %s samples"), std::to_string(received),
                   std::to_string(samples))
         << std::flush;
  }

 private:
  std::ostream& err_;
  std::chrono::steady_clock::time_point last_{};
  bool shown_ = false;
};

int Status(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  const CommandLine line = Parse(args, {"--port", "--count", "--timeout"}, {"--json"}, 0);
  const std::string port = RequirePort(line);
  const long count =
      line.Has("--count") ? WholeNumber("--count", line.Value("--count"), 1, 1000000) : 1;
  const milliseconds timeout = Timeout(line);
  const auto session = OpenSession(port, ArchivePathOf(line));
  for (long i = 0; i < count; ++i) {
    const LoggerStatus status = session->NextStatus(timeout);
    out << (line.Has("--json") ? StatusJson(status) : StatusLine(status)) << std::endl;
  }
  return kOk;
}

int Download(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, {"--port", "--raw", "--out", "--timeout", "--archive"},
                                 {"--force", "--no-archive"}, 0);
  const std::string port = RequirePort(line);
  RefuseArchiveTargets(line, {"--raw", "--out"});
  const milliseconds timeout = Timeout(line);
  // The table would replace the capture, the only copy of what the logger sent.
  if (line.Has("--raw") && line.Has("--out") &&
      SameFile(line.Value("--raw"), line.Value("--out"))) {
    throw UsageError(
        _("--raw and --out name the same file; the table would overwrite the "
          "characters received"));
  }
  DownloadArchiving archiving(line, port, line.Has("--force"));
  std::string text;
  std::optional<SessionError> lost;  // an interrupted download is archived as far as it came
  EndReason reason = EndReason::kNone;
  {
    const auto session = OpenSession(port, ArchivePathOf(line));
    // Ctrl-C, SIGTERM or SIGHUP end the wait; what came is then kept like any cut-short download.
    // A second signal, once the wait is over, acts as usual.
    const InterruptSignals signals(
        [&session](int signal) { session->Interrupt(signal, SignalName(signal)); });
    ProgressLine progress(err);
    try {
      text = session->Download(line.Has("--force"), timeout, timeout, [&](std::size_t received) {
        progress(received, session->ExpectedSamples());
      });
    } catch (const SessionError& error) {
      lost = error;
      text = session->ReceivedText();
      reason = DownloadArchiving::ReasonOf(*session);
    }
    if (session->StatusBefore()) {
      if (const std::optional<std::time_t> clock = LoggerClock(session->StatusBefore()->reply)) {
        archiving.SetLoggerClock(ClockIsoText(*clock), *clock - ComputerClock(std::time(nullptr)));
      }
    }
  }
  archiving.Keep(text, reason, err);
  if (lost) {
    // What arrived of a download cut short is still the operator's only copy.
    if (line.Has("--raw") && !text.empty()) {
      WriteFileAtomically(line.Value("--raw"), text);
      err << "velmorante-cli: "
          << Format(_("the download is incomplete: the %s characters that arrived are in %s"),
                    std::to_string(text.size()), line.Value("--raw"))
          << '\n';
    }
    throw *lost;
  }
  if (line.Has("--raw")) WriteFileAtomically(line.Value("--raw"), text);
  // An empty logger is no failure. There is no table to save: the file is neither made nor
  // replaced (an empty one would read as no table at all, an old one stays as it was).
  const SampleTable table = SampleDecoder().Decode(text);
  if (line.Has("--out") && !table.error && table.samples.empty()) {
    err << "velmorante-cli: "
        << Format(_("the logger holds no samples: %s was not written"), line.Value("--out"))
        << '\n';
    return archiving.Failed() ? kFailed : kOk;
  }
  const int status = ShowOrSave(text, line.Value("--out"), out, err);
  if (status == kOk && line.Has("--out")) archiving.NoteSaved(line.Value("--out"), err);
  return status == kOk && archiving.Failed() ? kFailed : status;
}

// Reads a captured download. No download is longer than the download text's limit, so a larger
// input (a device such as /dev/zero, the wrong file) is refused before it fills the memory.
std::string ReadCapturedDownload(const std::string& path) {
  try {
    return ReadWholeFile(path, ReplyInterpreter::kMaxDownloadText);
  } catch (const FileTooLargeError&) {
    throw FileError(Format(_("'%s' is larger than any download (%s bytes); it is not read"), path,
                           std::to_string(ReplyInterpreter::kMaxDownloadText)));
  }
}

int Decode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, {"--out"}, {}, 1);
  RefuseArchiveTargets(line, {"--out"});
  // The capture may be the only copy of what the logger sent: the table never replaces it.
  RefuseInputTargets(line, line.positional[0], {"--out"});
  const std::string text = ReadCapturedDownload(line.positional[0]);
  if (!text.empty() && text.back() == protocol::kEndMarker)
    return ShowOrSave(text, line.Value("--out"), out, err);
  // A capture cut short: its complete lines are samples, a line cut in the middle is left out.
  const std::string complete = WithEndMarker(text);
  const int status = ShowOrSave(complete, line.Value("--out"), out, err);
  const std::size_t cut = text.size() - (complete.size() - 1);
  err << "velmorante-cli: "
      << (cut == 0 ? std::string(_("warning: the capture has no end marker; it was cut short"))
                   : Format(_("warning: the capture has no end marker; it was cut short in the "
                              "middle of a line, and the %s characters of that line are left out"),
                            std::to_string(cut)))
      << '\n';
  return status == kOk ? kFailed : status;
}

int SetRate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, {"--port", "--timeout", "--archive"}, {}, 1);
  const std::string port = RequirePort(line);
  const long minutes = WholeNumber("MINUTES", line.positional[0], 1, 60);
  const int* end = protocol::kRateMinutes + protocol::kRateCount;
  const int* found = std::find(protocol::kRateMinutes, end, static_cast<int>(minutes));
  if (found == end) throw UsageError(_("MINUTES must be 1, 5, 10, 15, 30 or 60"));
  const int choice = static_cast<int>(found - protocol::kRateMinutes);
  const milliseconds timeout = Timeout(line);
  // Checked before the logger is touched: the change is noted there afterwards.
  const std::string archive = ArchivePathOf(line);
  const auto session = OpenSession(port, archive);
  // The logger does not answer commands; its next replies show whether it took this one.
  const bool taken = session->SetRate(choice, timeout);
  std::optional<int> old;
  const std::optional<LoggerStatus>& before = session->StatusBefore();
  if (before && before->rateItem >= 0) old = protocol::kRateMinutes[before->rateItem];
  const bool noted = NoteInAuditTrail(
      archive, SetRateChange("", port, old, static_cast<int>(minutes), taken), err);
  if (taken) {
    out << Format(_("rate set: %s"), RateText(protocol::kRateMinutes[choice])) << std::endl;
    return noted ? kOk : kFailed;
  }
  throw SessionError(_("the logger's status replies do not show the new rate"));
}

int SetClock(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, {"--port", "--timeout", "--archive"}, {"--discard"}, 0);
  const std::string port = RequirePort(line);
  const milliseconds timeout = Timeout(line);
  const std::string archive = ArchivePathOf(line);
  const auto session = OpenSession(port, archive);
  // Setting the clock empties the memory: unless told to discard, only once the archive holds
  // every sample, judged from the reply right before the command.
  std::optional<LoggerStatus> before;
  bool taken = false;
  if (line.Has("--discard")) {
    taken = session->SetClock(timeout);
    before = session->StatusBefore();
  } else {
    before = session->NextStatus(timeout);
    const std::string risk = SamplesAtRisk(archive, port, *before);
    if (!risk.empty()) throw SessionError(risk);
    taken = session->SetClockNow(timeout);
  }
  // The logger does not answer; its next replies must show its clock on ours and its memory empty.
  const std::time_t computer = ComputerClock(std::time(nullptr));
  std::optional<std::time_t> clock;
  if (before) clock = LoggerClock(before->reply);
  std::optional<std::int64_t> drift;
  if (clock) drift = *clock - computer;
  const bool noted =
      NoteInAuditTrail(archive,
                       SetClockChange("", port, ClockIsoText(computer),
                                      clock ? ClockIsoText(*clock) : "", drift, taken),
                       err);
  if (taken) {
    const ClockSettingCheck::Seen& seen = session->ClockSeen();
    out << Format(_("clock set: %s %s, memory emptied"), seen.loggerTime, seen.loggerDate)
        << std::endl;
    return noted ? kOk : kFailed;
  }
  const ClockSettingCheck::Seen& seen = session->ClockSeen();
  std::string text = _("the logger did not take the clock setting:");
  if (!seen.clockFollowed) {
    text += ' ' + Format(_("its clock shows %s %s, this computer's %s %s;"), seen.loggerTime,
                         seen.loggerDate, seen.computerTime, seen.computerDate);
  }
  if (!seen.memoryEmptied) {
    text += ' ' + Format(_("its memory still holds %s samples;"),
                         protocol::GeneralNumberText(seen.usedMemory));
  }
  text.back() = '.';
  throw SessionError(text);
}

int Ports(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parse(args, {}, {}, 0);
  const std::vector<std::string> ports = ListSerialPorts();
  if (ports.empty()) err << "velmorante-cli: " << _("no serial ports found") << '\n';
  for (const std::string& port : ports) out << port << '\n';
  // The stable names of the same adapters: the one to give a station, which keeps its port
  // whatever number the adapter gets when plugged in again.
  for (const SerialPortLink& link : ListSerialPortLinks())
    out << link.path << " -> " << link.device << '\n';
  return kOk;
}

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    (args.empty() ? err : out) << _(kUsage);
    return args.empty() ? kBadUsage : kOk;
  }
  if (args[0] == "--version") {
    out << "velmorante-cli (Velmorante) " VELMORANTE_VERSION "\n";
    return kOk;
  }
  const std::string& command = args[0];
  // Every command answers --help (before "--", after which a name may begin with a dash).
  for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      // A station command's help is its own lines ("station add"), or all of them.
      const bool sub = (command == "station" || command == "rules" || command == "alarms" ||
                        command == "calibration" || command == "central") &&
                       i > 1 && args[1][0] != '-';
      out << CommandHelp(_(kUsage), sub ? command + ' ' + args[1] : command);
      return kOk;
    }
  }
  try {
    if (command == "ports") return Ports(args, out, err);
    if (command == "status") return Status(args, out, err);
    if (command == "download") return Download(args, out, err);
    if (command == "decode") return Decode(args, out, err);
    if (command == "set-rate") return SetRate(args, out, err);
    if (command == "set-clock") return SetClock(args, out, err);
    if (command == "history") return History(args, out, err);
    if (command == "audit") return AuditCommand(args, out, err);
    if (command == "export") return ExportCommand(args, out, err);
    if (command == "stats") return StatsCommand(args, out, err);
    if (command == "station") return StationCommand(args, out, err);
    if (command == "record") return RecordCommand(args, out, err);
    if (command == "rules") return RulesCommand(args, out, err);
    if (command == "alarms") return AlarmsCommand(args, out, err);
    if (command == "calibration") return CalibrationCommand(args, out, err);
    if (command == "sign") return SignCommand(args, out, err);
    if (command == "mapping") return MappingCommand(args, out, err);
    if (command == "central") return CentralCommand(args, out, err);
    if (command == "sync") return SyncCommand(args, out, err);
    if (command == "demo") {
      Parse(args, {}, {}, 0);
      return RunCliDemo(out, err);
    }
    throw UsageError(Format(_("unknown command '%s'"), command));
  } catch (const UsageError& error) {
    // "velmorante-cli history show: ..." for a mistake in a command's options or arguments.
    const std::string who = error.command().empty() ? "" : ' ' + error.command();
    err << "velmorante-cli" << who << ": " << error.what() << '\n'
        << _("Try 'velmorante-cli --help'.") << '\n';
    return kBadUsage;
  } catch (const DatabaseTargetError& error) {
    err << "velmorante-cli: " << error.what() << '\n';
    return kBadUsage;
  } catch (const EComPort& error) {
    // The port component's own words name its calls; the operator reads what failed.
    err << "velmorante-cli: " << TerminalPortErrorText(error) << '\n';
    return kFailed;
  } catch (const std::exception& error) {
    err << "velmorante-cli: " << error.what() << '\n';
    return kFailed;
  }
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const int status = RunCommand(args, out, err);
  // A table or reply that did not reach its reader (a full disk, a closed pipe) is a failure.
  out.flush();
  if (!out) {
    err << "velmorante-cli: " << _("cannot write the standard output") << '\n';
    return kFailed;
  }
  return status;
}
