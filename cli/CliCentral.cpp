// The central archive's commands: see CliCentral.h.
#include "cli/CliCentral.h"

#include <filesystem>
#include <ostream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "central/CentralPush.h"
#include "central/CentralSchema.h"
#include "central/PgConnection.h"
#include "cli/CliArguments.h"
#include "cli/CliHistory.h"
#include "cli/InterruptSignals.h"
#include "cli/OutputTargets.h"
#include "cli/Translate.h"

namespace cli {
namespace {}  // namespace

std::string CheckedCentralUrl(const std::string& url) {
  if (!IsCentralLocation(url)) {
    throw UsageError(
        Format(_("'%s' is not a PostgreSQL URL (postgresql://USER@HOST/DATABASE)"), url));
  }
  try {
    CheckCentralUrl(url);
  } catch (const std::invalid_argument& error) {
    const std::string what = error.what();
    if (what.find("password") != std::string::npos && what.find("URL carries") != std::string::npos)
      throw UsageError(_("the URL carries a password; put it in ~/.pgpass or PGPASSWORD instead"));
    throw UsageError(Format(_("not a connection URL libpq reads: %s"), what));
  }
  return url;
}

namespace {

nlohmann::ordered_json CountsJson(PendingPush counts) {
  nlohmann::ordered_json json;
  for (PushKind kind : PushKinds()) json[PushKindCode(kind)] = counts.Of(kind);
  return json;
}

}  // namespace

int CentralCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2 || args[1] != "init")
    throw UsageError(_("the central command is: central init URL"));
  std::vector<std::string> rest(args.begin() + 1, args.end());
  rest[0] = "central init";
  const CommandLine line = Parse(rest, {}, {}, 1);
  const std::string url = CheckedCentralUrl(line.positional[0]);
  try {
    PgConnection server(url);
    InitCentralArchive(server);
  } catch (const ArchiveError& error) {
    err << "velmorante-cli: " << _("the central archive could not be set up: ") << error.what()
        << '\n';
    return kFailed;
  }
  out << _("central archive ready: tables and the roles velmorante_station and "
           "velmorante_reader")
      << '\n';
  return kOk;
}

int SyncCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, {"--archive", "--central"}, {"--json"}, 0);
  if (!line.Has("--central")) throw UsageError(_("sync needs --central URL"));
  const std::string url = CheckedCentralUrl(line.Value("--central"));
  const std::string path = ArchivePathOf(line);
  if (!std::filesystem::exists(path)) {
    err << "velmorante-cli: " << Format(_("no archive at %s: nothing to push"), path) << '\n';
    return kFailed;
  }
  PushResult result;
  std::string failure;
  // Ctrl-C or SIGTERM ends the push between two batches: what was committed stays marked.
  InterruptSignals signals([](int) {});
  PushOptions options;
  options.stopRequested = [&signals] { return signals.received() != 0; };
  try {
    result = PushToCentral(path, url, options);
  } catch (const ArchiveError& error) {
    failure = error.what();
  }
  PendingPush pending;
  try {
    pending = PendingPushOf(path, url);
  } catch (const ArchiveError&) {
    // Said by the failure above.
  }
  if (line.Has("--json")) {
    nlohmann::ordered_json json = {{"sent", CountsJson(result.sent)},
                                   {"added", CountsJson(result.added)},
                                   {"pending", CountsJson(pending)},
                                   {"complete", failure.empty() && pending.total() == 0}};
    if (!failure.empty()) json["error"] = failure;
    out << json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  } else {
    out << Format(_("pushed %s downloads, %s audit entries, %s alarms, %s alarm events and %s "
                    "calibrations; new on the server: %s downloads"),
                  std::to_string(result.sent.downloads), std::to_string(result.sent.auditEntries),
                  std::to_string(result.sent.alarms), std::to_string(result.sent.alarmEvents),
                  std::to_string(result.sent.calibrations), std::to_string(result.added.downloads))
        << '\n';
    if (pending.total() > 0)
      out << Format(_("%s rows still wait to be pushed"), std::to_string(pending.total())) << '\n';
  }
  if (!failure.empty()) {
    err << "velmorante-cli: " << _("the push stopped: ") << failure << '\n';
    return kFailed;
  }
  return result.stopped ? kFailed : kOk;
}

}  // namespace cli
