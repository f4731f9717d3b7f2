// The audit commands of velmorante-cli: the entries of the archive's audit trail, listed or
// checked against their chain of hashes together with the downloads' checksums.
#include "cli/CliAudit.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "archive/ArchiveFile.h"
#include "archive/ArchivePageCheck.h"
#include "archive/AuditCheck.h"
#include "archive/AuditTrail.h"
#include "archive/DownloadArchive.h"
#include "archive/DownloadRecord.h"
#include "central/CentralArchive.h"
#include "central/CentralSchema.h"
#include "cli/CliArguments.h"
#include "cli/CliHistory.h"
#include "cli/OutputTargets.h"
#include "cli/Translate.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

Json OrNull(const std::optional<std::string>& text) {
  return text ? Json(*text) : Json(nullptr);
}

Json EntryJson(const AuditEntry& e) {
  return {{"id", e.id},
          {"at", e.atUtc},
          {"utc_offset", e.utcOffset},
          {"user", e.actor.user},
          {"host", e.actor.host},
          {"program", e.actor.program},
          {"version", e.actor.version},
          {"action", AuditActionCode(e.change.action)},
          {"station", e.change.station.empty() ? Json(nullptr) : Json(e.change.station)},
          {"object", e.change.object},
          {"old", OrNull(e.change.oldValue)},
          {"new", OrNull(e.change.newValue)},
          {"reason", e.change.reason}};
}

// A UTC time as "2026-12-08", "2026-12-08T15:40" or "2026-12-08T15:40:02", with or without a
// final "Z", in the entries' form ("2026-12-08T15:40:02Z"); UsageError for anything else.
std::string SinceText(const std::string& text) {
  std::string full = text;
  if (!full.empty() && full.back() == 'Z') full.pop_back();
  if (full.size() == 10) full += "T00:00:00";
  if (full.size() == 16) full += ":00";
  full += 'Z';
  // Only the form is checked, with the year as four digits: a far year is no error (it sorts after
  // every entry), but it lies beyond what the system clock's time points can hold.
  std::string probe = full;
  const bool yearDigits =
      probe.size() >= 4 &&
      std::all_of(probe.begin(), probe.begin() + 4, [](char c) { return c >= '0' && c <= '9'; });
  if (yearDigits) probe.replace(0, 4, "2000");
  if (!yearDigits || !TimeFromUtcText(probe)) {
    throw UsageError(Format(
        _("--since must be a UTC date or time such as 2026-12-08 or 2026-12-08T15:40, not '%s'"),
        text));
  }
  return full;
}

// The entries of the archive at `path`, oldest first; none when there is no archive or it is older
// than the audit trail.
std::vector<AuditEntry> ReadEntries(const std::string& path) {
  if (!IsCentralLocation(path) && !std::filesystem::exists(path)) return {};
  return OpenArchiveReader(path)->AuditEntries();
}

void PrintEntries(const std::vector<AuditEntry>& entries, std::ostream& out) {
  char line[512];
  std::snprintf(line, sizeof line, "%6s  %-20s  %-12s  %-18s  %-14s  %s\n", "ID", _("TIME (UTC)"),
                _("USER"), _("ACTION"), _("STATION"), _("OBJECT"));
  out << line;
  for (const AuditEntry& e : entries) {
    std::snprintf(
        line, sizeof line, "%6lld  %-20s  %-12s  %-18s  %-14s  %s\n", static_cast<long long>(e.id),
        e.atUtc.c_str(), e.actor.user.c_str(), AuditActionCode(e.change.action),
        e.change.station.empty() ? "-" : e.change.station.c_str(), e.change.object.c_str());
    out << line;
    if (e.change.oldValue || e.change.newValue) {
      out << "        " << e.change.oldValue.value_or("-") << " -> "
          << e.change.newValue.value_or("-") << '\n';
    }
    if (!e.change.reason.empty()) out << "        " << _("reason: ") << e.change.reason << '\n';
  }
}

int List(const std::vector<std::string>& args, std::ostream& out) {
  const CommandLine line = Parse(args, {"--archive", "--since", "--station"}, {"--json"}, 0);
  const std::string since = line.Has("--since") ? SinceText(line.Value("--since")) : "";
  std::vector<AuditEntry> shown;
  for (AuditEntry& e : ReadEntries(ReadArchivePathOf(line))) {
    if (!since.empty() && e.atUtc < since) continue;
    if (line.Has("--station") && e.change.station != line.Value("--station")) continue;
    shown.push_back(std::move(e));
  }
  if (line.Has("--json")) {
    Json list = Json::array();
    for (const AuditEntry& e : shown) list.push_back(EntryJson(e));
    out << list.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
  } else {
    PrintEntries(shown, out);
  }
  return kOk;
}

std::string ProblemText(const AuditProblem& p) {
  const std::string id = std::to_string(p.id);
  switch (p.kind) {
    case AuditProblem::Kind::kEntryChanged:
      return Format(_("audit entry %s was changed: it no longer matches its hash"), id);
    case AuditProblem::Kind::kEntryRemoved:
      return Format(_("an audit entry before entry %s was removed"), id);
    case AuditProblem::Kind::kEntryInserted:
      return Format(_("audit entry %s was inserted: the chain does not pass through it"), id);
    case AuditProblem::Kind::kSignature:
      return _("a signature no longer matches what it signed");
    case AuditProblem::Kind::kDownloadChanged:
      return Format(_("download %s no longer matches its checksum"), id);
    case AuditProblem::Kind::kDownloadUnaudited:
      return Format(_("download %s has lost its audit entry: entries were removed"), id);
  }
  return p.detail;
}

int Verify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, {"--archive"}, {}, 0);
  const std::string path = ReadArchivePathOf(line);
  if (!IsCentralLocation(path)) {
    if (!std::filesystem::exists(path)) {
      out << Format(_("no archive at %s: nothing to verify"), path) << '\n';
      return kOk;
    }
    // Every page first: damage that no record read crosses is damage all the same.
    CheckArchivePages(path);
    if (ArchiveFile(path, ArchiveAccess::kReadOnly).empty()) {
      out << Format(_("no archive at %s: nothing to verify"), path) << '\n';
      return kOk;
    }
  }
  ArchiveCheckCounts counts;
  const std::vector<AuditProblem> problems = OpenArchiveReader(path)->CheckRecords(&counts);
  for (const AuditProblem& p : problems)
    err << "velmorante-cli: " << ProblemText(p) << " (" << p.detail << ")\n";
  if (!problems.empty()) return kFailed;
  out << Format(_("%s audit entries and %s downloads verified: the chain holds and every download "
                  "matches its checksum"),
                std::to_string(counts.entries), std::to_string(counts.downloads))
      << '\n';
  return kOk;
}

}  // namespace

bool NoteInAuditTrail(const std::string& path, const AuditChange& change, std::ostream& err) {
  try {
    DownloadArchive(path).AppendAudit(CurrentActor("velmorante-cli", VELMORANTE_VERSION), change);
    return true;
  } catch (const std::exception& error) {
    const ArchiveError* archiveError = dynamic_cast<const ArchiveError*>(&error);
    err << "velmorante-cli: " << _("this was not noted in the archive's audit trail: ")
        << (archiveError != nullptr ? ArchiveProblemText(*archiveError) : error.what()) << '\n';
    return false;
  }
}

int AuditCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    if (args.size() > 1 && args[1] == "verify") {
      std::vector<std::string> rest(args.begin() + 1, args.end());
      rest[0] = "audit verify";
      return Verify(rest, out, err);
    }
    return List(args, out);
  } catch (const ArchiveError& error) {
    err << "velmorante-cli: " << ArchiveProblemText(error) << '\n';
    return kFailed;
  }
}

}  // namespace cli
