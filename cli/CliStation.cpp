// The station commands of velmorante-cli: settings kept in the archive, and the status each
// station's service last wrote there, judged against the time now.
#include "cli/CliStation.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>

#include "archive/DurationText.h"
#include "archive/StationStore.h"
#include "central/CentralPush.h"
#include "central/CentralPusher.h"
#include "central/StationCentral.h"
#include "cli/CliArguments.h"
#include "cli/CliCentral.h"
#include "cli/CliHistory.h"
#include "cli/CliNotify.h"
#include "cli/InterruptSignals.h"
#include "cli/OutputTargets.h"
#include "cli/Translate.h"
#include "link/LoggerProtocol.h"
#include "notify/NotifyStore.h"
#include "station/StationLock.h"
#include "station/StationRunner.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;
using std::chrono::system_clock;

constexpr int kMemorySize = protocol::kLoggerCapacity;

// A station that is not there: a failure (exit status 1), not a mistake on the command line.
class NoSuchStation : public std::runtime_error {
 public:
  explicit NoSuchStation(const std::string& name)
      : std::runtime_error(Format(_("there is no station named '%s'"), name)) {}
};

std::string StationName(const std::string& text) {
  if (!IsStationName(text)) {
    throw UsageError(
        Format(_("a station's name is 1 to 64 letters, digits, '-', '_' or '.', other than '.' and "
                 "'..'; '%s' is not one"),
               text));
  }
  return text;
}

// The --port of a station: a path that exists must be a serial device (a terminal device, not
// one of the memory devices such as /dev/null, nor /dev/tty or /dev/console); one absent now is
// taken with a warning, since an adapter may be plugged in later.
std::string StationPort(const CommandLine& line, std::ostream& err) {
  const std::string port = RequirePort(line);
  struct stat info {};
  if (::stat(port.c_str(), &info) != 0) {
    err << "velmorante-cli: "
        << Format(_("warning: %s is not there now; the station opens it once the adapter is "
                    "plugged in"),
                  port)
        << '\n';
    return port;
  }
  const unsigned major = ::major(info.st_rdev), minor = ::minor(info.st_rdev);
  const bool memoryDevice = major == 1;
  const bool controllingTerminal = major == 5 && minor <= 2;
  if (!S_ISCHR(info.st_mode) || memoryDevice || controllingTerminal) {
    const std::string kind = S_ISDIR(info.st_mode)   ? _("a folder")
                             : S_ISREG(info.st_mode) ? _("a file")
                                                     : _("a device of another kind");
    throw UsageError(Format(_("%s is not a serial port: it is %s"), port, kind));
  }
  return port;
}

// Applies the options that change a station's settings; returns whether any was given.
bool ApplyOptions(const CommandLine& line, StationSettings& settings, std::ostream& err) {
  bool given = false;
  if (line.Has("--port")) {
    settings.port = StationPort(line, err);
    given = true;
  }
  if (line.Has("--reset-at")) {
    settings.resetAt = static_cast<int>(
        WholeNumber("--reset-at", line.Value("--reset-at"), 1, kStationResetAtMost));
    given = true;
  }
  if (line.Has("--download-every")) {
    const std::string text = line.Value("--download-every");
    const std::optional<std::chrono::seconds> every = ParseDuration(text);
    if (!every || *every < kStationShortestInterval || *every > kStationLongestInterval) {
      throw UsageError(Format(
          _("--download-every must be a length of time from %s to %s, such as 30s, 10m, "
            "6h, 1d or 1d12h, not '%s'"),
          DurationText(kStationShortestInterval), DurationText(kStationLongestInterval), text));
    }
    settings.downloadEvery = *every;
    given = true;
  }
  return given;
}

// Who changes a station and why: a change without --reason is refused, so that the audit trail
// says why every setting changed.
StationAuditNote AuditNote(const CommandLine& line) {
  const std::string reason = line.Has("--reason") ? line.Value("--reason") : "";
  if (reason.find_first_not_of(" \t\n") == std::string::npos) {
    throw UsageError(
        _("say why with --reason TEXT: every change of a station is kept in the "
          "archive's audit trail with its reason"));
  }
  return {CurrentActor("velmorante-cli", VELMORANTE_VERSION), reason};
}

// The station's options and the notification options, for Parse.
std::set<std::string> SettingOptions() {
  std::set<std::string> options = {"--port",    "--reset-at", "--download-every",
                                   "--archive", "--reason",   "--central"};
  options.insert(NotifyOptions().begin(), NotifyOptions().end());
  return options;
}

// The notification settings of a station in the archive open at `path`; none when it has none.
std::optional<StationNotify> FindNotify(const std::string& path, const std::string& name,
                                        ArchiveAccess access) {
  return NotifyStore(path, access).Find(name);
}

std::string Describe(const StationSettings& s) {
  return Format(_("port %s, download every %s, reset at %s samples"), s.port,
                DurationText(s.downloadEvery), std::to_string(s.resetAt));
}

int Add(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, SettingOptions(), {}, 1);
  StationSettings settings;
  settings.name = StationName(line.positional[0]);
  RequirePort(line);
  ApplyOptions(line, settings, err);
  const StationAuditNote note = AuditNote(line);
  StationNotify notify;
  notify.station = settings.name;
  const bool notifyGiven = ApplyNotifyOptions(line, notify);
  StationStore store(ArchivePathOf(line));
  if (store.Find(settings.name)) {
    throw StationError(Format(_("a station named '%s' exists already; change it with "
                                "'velmorante-cli station set'"),
                              settings.name));
  }
  store.Add(settings, &note);
  if (notifyGiven) NotifyStore(ArchivePathOf(line), ArchiveAccess::kReadWrite).Write(notify);
  out << Format(_("station %s added: %s"), settings.name, Describe(settings)) << '\n';
  if (notifyGiven) out << Format(_("notifications: %s"), DescribeNotify(notify)) << '\n';
  out << Format(_("start it with: systemctl --user enable --now velmorante-station@%s"),
                settings.name)
      << '\n';
  return kOk;
}

int Set(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, SettingOptions(), {}, 1);
  const std::string name = StationName(line.positional[0]);
  StationSettings settings;
  std::ostringstream checked;  // the port's warning is given once, below
  const bool settingsGiven = ApplyOptions(line, settings, checked);
  const bool notifyGiven =
      std::any_of(NotifyOptions().begin(), NotifyOptions().end(),
                  [&line](const std::string& option) { return line.Has(option); });
  const bool centralGiven = line.Has("--central");
  if (!settingsGiven && !notifyGiven && !centralGiven) {
    throw UsageError(
        _("nothing to change: give --port, --reset-at, --download-every, --central or a "
          "notification option (see --help)"));
  }
  if (centralGiven && !line.Value("--central").empty()) CheckedCentralUrl(line.Value("--central"));
  const StationAuditNote note = AuditNote(line);
  const std::string path = ArchivePathOf(line);
  if (!std::filesystem::exists(path)) throw NoSuchStation(name);
  StationStore store(path);
  std::optional<StationSettings> kept = store.Find(name);
  if (!kept) throw NoSuchStation(name);
  ApplyOptions(line, *kept, err);
  // The options change the settings kept, which are checked as a whole.
  StationNotify notify;
  notify.station = name;
  notify = FindNotify(path, name, ArchiveAccess::kReadWrite).value_or(notify);
  const StationNotify before = notify;
  ApplyNotifyOptions(line, notify);
  if (settingsGiven) store.Update(*kept, &note);
  if (notifyGiven) {
    NotifyStore(path, ArchiveAccess::kReadWrite).Write(notify);
    // Where alarms go is a setting of the station too: its change is audited with its reason
    // (the settings never hold a password, only where to read one).
    AuditChange change;
    change.action = AuditAction::kStationChange;
    change.station = name;
    change.object = "station " + name + " notifications";
    change.oldValue = NotifyJson(before).dump();
    change.newValue = NotifyJson(notify).dump();
    change.reason = note.reason;
    DownloadArchive(path).AppendAudit(note.actor, change);
  }
  if (centralGiven) {
    // Where a station's records go is audited like its other settings.
    AuditChange change;
    change.action = AuditAction::kStationChange;
    change.station = name;
    change.object = "station " + name + " central archive";
    change.oldValue = StationCentralUrl(path, name).value_or("");
    change.newValue = line.Value("--central");
    change.reason = note.reason;
    SetStationCentralUrl(path, name, line.Value("--central"));
    DownloadArchive(path).AppendAudit(note.actor, change);
  }
  out << Format(_("station %s changed: %s"), name, Describe(*kept)) << '\n';
  if (notifyGiven) out << Format(_("notifications: %s"), DescribeNotify(notify)) << '\n';
  if (centralGiven) {
    out << (line.Value("--central").empty()
                ? std::string(_("central archive: none"))
                : Format(_("central archive: %s"), line.Value("--central")))
        << '\n';
  }
  out << Format(_("a running station takes the new settings when it restarts: systemctl --user "
                  "restart velmorante-station@%s"),
                name)
      << '\n';
  return kOk;
}

int Remove(const std::vector<std::string>& args, std::ostream& out) {
  const CommandLine line = Parse(args, {"--archive", "--reason"}, {}, 1);
  const std::string name = StationName(line.positional[0]);
  const StationAuditNote note = AuditNote(line);
  const std::string path = ArchivePathOf(line);
  if (!std::filesystem::exists(path)) throw NoSuchStation(name);
  StationStore store(path);
  if (!store.Find(name)) throw NoSuchStation(name);
  store.Remove(name, &note);
  out << Format(_("station %s removed; its downloads and events stay in the archive"), name)
      << '\n';
  return kOk;
}

// The stations of the archive, read-only: the usual archive, not made yet, holds none; one named
// that is not there is an error.
std::unique_ptr<StationStore> OpenToRead(const CommandLine& line) {
  const std::string path = ReadArchivePathOf(line);
  if (!std::filesystem::exists(path)) return nullptr;
  return std::make_unique<StationStore>(path, ArchiveAccess::kReadOnly);
}

int List(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, {"--archive"}, {"--json"}, 0);
  const auto store = OpenToRead(line);
  const std::vector<StationSettings> stations =
      store ? store->List() : std::vector<StationSettings>();
  if (line.Has("--json")) {
    Json list = Json::array();
    for (const StationSettings& s : stations) {
      list.push_back({{"name", s.name},
                      {"port", s.port},
                      {"reset_at", s.resetAt},
                      {"download_every_s", s.downloadEvery.count()}});
      // Only a station that notifies has the key.
      const std::optional<StationNotify> notify =
          FindNotify(ArchivePathOf(line), s.name, ArchiveAccess::kReadOnly);
      if (notify) list.back()["notify"] = NotifyJson(*notify);
    }
    out << list.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    return kOk;
  }
  if (stations.empty()) {
    err << "velmorante-cli: " << _("no stations; add one with 'velmorante-cli station add'")
        << '\n';
    return kOk;
  }
  // The port last, whole: a path may be of any length.
  char row[256];
  std::snprintf(row, sizeof row, "%-20s  %-9s  %-14s  ", _("NAME"), _("RESET AT"),
                _("DOWNLOAD EVERY"));
  out << row << _("PORT") << '\n';
  for (const StationSettings& s : stations) {
    std::snprintf(row, sizeof row, "%-20s  %-9d  %-14s  ", s.name.c_str(), s.resetAt,
                  DurationText(s.downloadEvery).c_str());
    out << row << s.port << '\n';
    if (const auto notify = FindNotify(ArchivePathOf(line), s.name, ArchiveAccess::kReadOnly)) {
      out << "  " << Format(_("notifications: %s"), DescribeNotify(*notify)) << '\n';
    }
  }
  return kOk;
}

Json TimeJson(const std::optional<system_clock::time_point>& when) {
  return when ? Json(UtcText(*when)) : Json(nullptr);
}

template <typename Number>
Json NumberJson(const std::optional<Number>& value) {
  return value ? Json(*value) : Json(nullptr);
}

Json TextJson(const std::string& text) {
  return text.empty() ? Json(nullptr) : Json(text);
}

Json StatusJson(const StationSettings& s, const std::optional<StationStatus>& st, bool running) {
  const StationStatus none;
  const StationStatus& v = st ? *st : none;
  // A running service that never wrote its status has a status without a time.
  const bool written = st && v.updatedAt != system_clock::time_point();
  return {{"name", s.name},
          {"port", s.port},
          {"reset_at", s.resetAt},
          {"download_every_s", s.downloadEvery.count()},
          {"running", running},
          {"connected", running && v.connected},
          {"pid", running ? Json(v.pid) : Json(nullptr)},
          {"updated_at", written ? Json(UtcText(v.updatedAt)) : Json(nullptr)},
          {"last_reply_at", TimeJson(v.lastReplyAt)},
          {"logger_clock", TextJson(v.loggerClock)},
          {"clock_drift_s", NumberJson(v.clockDriftSeconds)},
          {"memory_used", NumberJson(v.memoryUsed)},
          {"memory_size", kMemorySize},
          {"memory_full_at", TimeJson(StationMemoryFullAt(v, kMemorySize))},
          {"battery_percent", NumberJson(v.batteryPercent)},
          {"rate_minutes", NumberJson(v.rateMinutes)},
          {"recording_start", TextJson(v.recordingStart)},
          {"last_download_at", TimeJson(v.lastDownloadAt)},
          {"next_download_at", TimeJson(v.nextDownloadAt)},
          {"problem", TextJson(v.problem)}};
}

std::string TimeText(const std::optional<system_clock::time_point>& when) {
  return when ? UtcText(*when) : std::string("-");
}

void PrintStatus(const StationSettings& s, const std::optional<StationStatus>& st, bool running,
                 std::ostream& out) {
  std::string state = !running        ? _("not running")
                      : st->connected ? _("running, logger connected")
                                      : _("running, logger not connected");
  out << s.name << ": " << state << '\n';
  out << "  " << Format(_("port: %s"), s.port) << '\n';
  if (!st) {
    out << "  " << _("no status written yet") << '\n';
    return;
  }
  const bool written = st->updatedAt != system_clock::time_point();
  if (written && (!running || system_clock::now() - st->updatedAt > kStationStatusFreshFor))
    out << "  " << Format(_("last status written: %s"), UtcText(st->updatedAt)) << '\n';
  out << "  " << Format(_("last reply: %s"), TimeText(st->lastReplyAt)) << '\n';
  if (st->clockDriftSeconds) {
    const std::int64_t drift = *st->clockDriftSeconds;
    out << "  "
        << Format(_("logger clock: %s (%s s from this computer's)"),
                  st->loggerClock.empty() ? std::string("-") : st->loggerClock,
                  (drift > 0 ? "+" : "") + std::to_string(drift))
        << '\n';
  } else if (!st->loggerClock.empty()) {
    out << "  " << Format(_("logger clock: %s"), st->loggerClock) << '\n';
  }
  if (st->memoryUsed) {
    out << "  "
        << Format(_("memory: %s of %s samples, full at %s"), std::to_string(*st->memoryUsed),
                  std::to_string(kMemorySize), TimeText(StationMemoryFullAt(*st, kMemorySize)))
        << '\n';
  }
  if (st->batteryPercent) {
    char percent[32];
    std::snprintf(percent, sizeof percent, "%.0f", *st->batteryPercent);
    out << "  " << Format(_("battery: %s %"), std::string(percent)) << '\n';
  }
  out << "  "
      << Format(_("last download: %s; next: %s"), TimeText(st->lastDownloadAt),
                TimeText(st->nextDownloadAt))
      << '\n';
  if (!st->problem.empty()) out << "  " << Format(_("PROBLEM: %s"), st->problem) << '\n';
}

int Status(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, {"--archive"}, {"--json"}, 0, 1);
  const auto store = OpenToRead(line);
  std::vector<StationSettings> stations;
  if (!line.positional.empty()) {
    const std::string name = StationName(line.positional[0]);
    std::optional<StationSettings> found = store ? store->Find(name) : std::nullopt;
    if (!found) throw NoSuchStation(name);
    stations.push_back(*found);
  } else if (store) {
    stations = store->List();
  }
  const system_clock::time_point now = system_clock::now();
  Json list = Json::array();
  for (std::size_t i = 0; i < stations.size(); ++i) {
    std::optional<StationStatus> status = store->ReadStatus(stations[i].name);
    // The lock says whether the service runs even when it cannot write its status (a full
    // disk): then its problem is the one it noted in the lock file.
    const std::optional<StationLockHolder> holder =
        StationLock::Holder(ArchivePathOf(line), stations[i].name);
    const bool running = holder || (status && IsStationRunning(*status, now));
    if (holder) {
      if (!status) {
        status.emplace();
        status->station = stations[i].name;
      }
      const bool stale = !IsStationRunning(*status, now);
      if (holder->pid > 0) status->pid = holder->pid;
      if (!holder->problem.empty()) {
        status->problem = holder->problem;
      } else if (stale) {
        status->problem = _("the service has not written its status for a while");
      }
      if (stale) status->connected = false;
    }
    NotifyStore notifyStore(ArchivePathOf(line), ArchiveAccess::kReadOnly);
    const std::optional<StationNotify> notify = notifyStore.Find(stations[i].name);
    const DeliveryTally tally = notifyStore.Tally(stations[i].name);
    const std::optional<std::string> central =
        StationCentralUrl(ArchivePathOf(line), stations[i].name);
    const PendingPush pending =
        central ? PendingPushOf(ArchivePathOf(line), *central) : PendingPush();
    if (line.Has("--json")) {
      list.push_back(StatusJson(stations[i], status, running));
      if (central) {
        list.back()["central"] = {{"url", *central},
                                  {"pending",
                                   {{"downloads", pending.downloads},
                                    {"audit_entries", pending.auditEntries},
                                    {"alarms", pending.alarms},
                                    {"alarm_events", pending.alarmEvents},
                                    {"calibrations", pending.calibrations}}}};
      }
      if (notify) {
        list.back()["notify"] = NotifyJson(*notify);
        list.back()["notifications"] = {{"delivered", tally.delivered},
                                        {"waiting", tally.waiting},
                                        {"last_error", TextJson(tally.lastError)}};
      }
    } else {
      if (i > 0) out << '\n';
      PrintStatus(stations[i], status, running, out);
      if (notify) out << "  " << Format(_("notifications: %s"), DescribeNotify(*notify)) << '\n';
      PrintDeliveries(tally, out);
      if (central) {
        out << "  " << Format(_("central archive: %s"), *central) << '\n';
        out << "  "
            << Format(_("waiting to be pushed: %s downloads, %s audit entries, %s alarms and "
                        "alarm events, %s calibrations"),
                      std::to_string(pending.downloads), std::to_string(pending.auditEntries),
                      std::to_string(pending.alarms + pending.alarmEvents),
                      std::to_string(pending.calibrations))
            << '\n';
      }
    }
  }
  if (line.Has("--json")) {
    // One station asked by name is one object; all of them a list.
    const Json& shown = line.positional.empty() ? list : list[0];
    out << shown.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
  } else if (stations.empty()) {
    err << "velmorante-cli: " << _("no stations; add one with 'velmorante-cli station add'")
        << '\n';
  }
  return kOk;
}

// Runs the station's service in the foreground until SIGTERM, SIGINT or SIGHUP; its log goes to
// the standard error (the journal, under systemd).
int Run(const std::vector<std::string>& args, std::ostream& err) {
  const CommandLine line = Parse(args, {"--archive"}, {}, 1);
  const std::string name = StationName(line.positional[0]);
  const std::string path = ArchivePathOf(line);
  std::optional<StationSettings> settings;
  if (std::filesystem::exists(path)) {
    settings = StationStore(path, ArchiveAccess::kReadOnly).Find(name);
  }
  if (!settings) throw NoSuchStation(name);
  // One service per station: a second one is refused before it touches the station's status.
  std::unique_ptr<StationLock> lock;
  try {
    lock = std::make_unique<StationLock>(path, name);
  } catch (const StationBusyError& busy) {
    throw StationError(Format(_("station '%s' runs already (process %s); stop that service "
                                "first: systemctl --user stop velmorante-station@%s"),
                              name, busy.pid > 0 ? std::to_string(busy.pid) : "?", name));
  }
  StationRunner runner(*settings, path, err);
  runner.NoteProblemsIn(lock.get());
  // The station's records go on to its central archive, when it has one, on a thread of their
  // own: the logger's work never waits on the server.
  std::unique_ptr<CentralPusher> pusher;
  if (const std::optional<std::string> central = StationCentralUrl(path, name))
    pusher = std::make_unique<CentralPusher>(path, *central, err);
  const InterruptSignals signals([&runner](int) { runner.Stop(); });
  const int status = runner.Run();
  pusher.reset();
  return status == 0 ? kOk : kFailed;
}

int RunStation(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string sub = args.size() > 1 ? args[1] : "";
  // The subcommand's own line, named in its messages as "station add".
  std::vector<std::string> rest(args.begin() + (args.size() > 1 ? 1 : 0), args.end());
  rest[0] = "station " + sub;
  if (sub == "add") return Add(rest, out, err);
  if (sub == "set") return Set(rest, out, err);
  if (sub == "list") return List(rest, out, err);
  if (sub == "remove") return Remove(rest, out);
  if (sub == "status") return Status(rest, out, err);
  if (sub == "run") return Run(rest, err);
  if (sub.empty())
    throw UsageError(_("station needs a command: add, set, list, remove, run or status"));
  throw UsageError(Format(_("unknown station command '%s'"), sub));
}

}  // namespace

std::string StationHoldingPort(const std::string& archivePath, const std::string& port) {
  try {
    if (!std::filesystem::exists(archivePath)) return "";
    StationStore store(archivePath, ArchiveAccess::kReadOnly);
    for (const StationSettings& station : store.List()) {
      if (station.port != port && !SameFile(station.port, port)) continue;
      const std::optional<StationLockHolder> holder =
          StationLock::Holder(archivePath, station.name);
      if (!holder) continue;
      return holder->pid > 0
                 ? Format(_("station '%s' (process %s)"), station.name, std::to_string(holder->pid))
                 : Format(_("station '%s'"), station.name);
    }
  } catch (const std::exception&) {
    // Only a better message was sought: the port's error stands as it is.
  }
  return "";
}

int StationCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return RunStation(args, out, err);
  } catch (const ArchiveError& error) {
    err << "velmorante-cli: " << ArchiveProblemText(error) << '\n';
    return kFailed;
  }
}

}  // namespace cli
