#include "cli/CliHistory.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <ostream>

#include "archive/ArchivePageCheck.h"
#include "archive/AuditChanges.h"
#include "archive/DownloadArchive.h"
#include "archive/RescueFile.h"
#include "archive/Sha256.h"
#include "central/CentralArchive.h"
#include "central/CentralSchema.h"
#include "cli/AtomicFile.h"
#include "cli/CliAudit.h"
#include "cli/CliSession.h"
#include "cli/DownloadOutput.h"
#include "cli/OutputTargets.h"
#include "cli/Translate.h"
#include "data/SampleDecoder.h"
#include "data/SavedFileFormat.h"
#include "data/StartTexts.h"
#include "link/ReplyInterpreter.h"

namespace cli {
namespace {

const char kProgram[] = "velmorante-cli " VELMORANTE_VERSION;

std::string StatusText(const DownloadSummary& record) {
  switch (record.reason) {
    case EndReason::kNone:
      return _("complete");
    case EndReason::kLineLost:
      return _("line lost");
    case EndReason::kSwitchedOff:
      return _("link switched off");
    case EndReason::kSizeLimit:
      return _("size limit");
    case EndReason::kTimedOut:
      return _("timed out");
    case EndReason::kRestarted:
      return _("restarted");
    case EndReason::kProgramClosed:
      return _("program closed");
  }
  return "";
}

// "every 5 min"; "-" for an unknown rate.
std::string RateText(int minutes) {
  if (minutes <= 0) return "-";
  return Format(_("every %s min"), std::to_string(minutes));
}

nlohmann::ordered_json RecordJson(const DownloadSummary& r) {
  return {{"id", r.id},
          {"received_at", r.receivedAt},
          {"port", r.port},
          {"program", r.program},
          {"kind", KindCode(r.kind)},
          {"complete", r.complete()},
          {"reason", ReasonCode(r.reason)},
          {"samples", r.samples},
          {"sha256", r.sha256},
          {"size", r.size},
          {"start_date", StartDateText(r.start)},
          {"start_time", StartTimeText(r.start)},
          {"rate", RateCaption(r.rateMinutes)},
          {"start", r.start ? nlohmann::ordered_json(StartIsoText(*r.start)) : nullptr},
          {"rate_minutes", r.rateMinutes > 0 ? nlohmann::ordered_json(r.rateMinutes) : nullptr},
          {"decode_error", r.decodeError},
          {"saved", r.savedCount}};
}

void PrintList(const std::vector<DownloadSummary>& records, std::ostream& out) {
  char line[256];
  std::snprintf(line, sizeof line, "%6s  %-20s  %-6s  %7s  %-19s  %-13s  %-17s  %s\n", "ID",
                _("RECEIVED (UTC)"), _("KIND"), _("SAMPLES"), _("LOGGER START"), _("RATE"),
                _("STATUS"), _("SAVED"));
  out << line;
  for (const DownloadSummary& r : records) {
    const std::string start =
        r.start ? StartDateText(r.start) + " " + StartTimeText(r.start) : std::string("-");
    std::snprintf(line, sizeof line, "%6lld  %-20s  %-6s  %7lld  %-19s  %-13s  %-17s  %s\n",
                  static_cast<long long>(r.id), r.receivedAt.c_str(),
                  r.kind == DownloadKind::kWholeMemory ? _("full") : _("normal"),
                  static_cast<long long>(r.samples), start.c_str(), RateText(r.rateMinutes).c_str(),
                  StatusText(r).c_str(), r.savedCount > 0 ? _("yes") : _("no"));
    out << line;
  }
}

// Notes in the archive that record `id` was saved to `file`. The table is already saved: an archive
// that cannot take the note (a read-only file or folder, a full disk) is only mentioned.
void NoteSavedCopy(const std::string& path, long id, const std::string& file,
                   const std::string& text, std::ostream& err) {
  const std::string absolute = std::filesystem::absolute(file).string();
  try {
    DownloadArchive(path).RecordSave(id, absolute, std::chrono::system_clock::now());
  } catch (const ArchiveError& error) {
    err << "velmorante-cli: " << _("the table was saved, but the archive could not note it: ")
        << ArchiveProblemText(error) << '\n';
    return;
  }
  NoteInAuditTrail(path,
                   FileWrittenChange(AuditAction::kExport, "", absolute, Sha256Hex(text),
                                     "download " + std::to_string(id)),
                   err);
}

// Lists, shows or verifies; throws ArchiveError, FileError or UsageError.
int RunHistory(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string sub = args.size() > 1 ? args[1] : "";
  if (sub == "show") {
    std::vector<std::string> rest(args.begin() + 1, args.end());
    rest[0] = "history show";  // named so in the command line's mistakes
    const CommandLine line = Parse(rest, {"--archive", "--out", "--raw"}, {}, 1);
    const long id = WholeNumber("ID", line.positional[0], 1, 2147483647);
    RefuseArchiveTargets(line, {"--out", "--raw"});
    const std::string path = ReadArchivePathOf(line);
    if (!IsCentralLocation(path) && !std::filesystem::exists(path)) {
      throw ArchiveError(ArchiveError::Kind::kNoSuchRecord, Format(_("no archive at %s"), path));
    }
    const ArchivedDownload record = OpenArchiveReader(path)->Get(id);
    if (line.Has("--raw")) WriteFileAtomically(line.Value("--raw"), record.rawText);
    const SampleTable table = DecodeReceived(record.rawText);
    if (line.Has("--out")) {
      const std::string text = SavedFileText(table);
      WriteFileAtomically(line.Value("--out"), text);
      NoteSavedCopy(path, id, line.Value("--out"), text, err);
    } else if (!line.Has("--raw")) {
      out << SavedFileText(table);
    }
    if (table.error) {
      err << "velmorante-cli: "
          << Format(_("download %s does not decode completely: %s"), std::to_string(id),
                    *table.error)
          << '\n';
    }
    if (const ImpossibleReading found = FindImpossibleReading(table)) {
      err << "velmorante-cli: "
          << Format(_("warning: %s"),
                    ImpossibleReadingText(found, table,
                                          Format(_("archived download %s"), std::to_string(id))))
          << '\n';
    }
    return kOk;
  }
  if (sub == "verify") {
    std::vector<std::string> rest(args.begin() + 1, args.end());
    rest[0] = "history verify";
    const CommandLine line = Parse(rest, {"--archive"}, {}, 0);
    const std::string path = ReadArchivePathOf(line);
    if (!IsCentralLocation(path) && !std::filesystem::exists(path)) {
      out << Format(_("no archive at %s: nothing to verify"), path) << '\n';
      return kOk;
    }
    // Every page first: damage that no record read crosses is damage all the same.
    if (!IsCentralLocation(path)) CheckArchivePages(path);
    const std::unique_ptr<ArchiveReader> archive = OpenArchiveReader(path);
    const std::size_t total = archive->List().size();
    const std::vector<ChecksumMismatch> bad = archive->Verify();
    for (const ChecksumMismatch& m : bad) {
      const char* pattern =
          m.part == ChecksumMismatch::Part::kChecksum
              ? _("download %s no longer matches its checksum (recorded %s, now %s)")
              : _("download %s: its details no longer match its raw text (recorded %s, the text "
                  "gives %s)");
      err << "velmorante-cli: " << Format(pattern, std::to_string(m.id), m.recorded, m.actual)
          << '\n';
    }
    if (!bad.empty()) return kFailed;
    out << Format(_("%s downloads verified, all match their checksums"), std::to_string(total))
        << '\n';
    return kOk;
  }
  const CommandLine line = Parse(args, {"--archive"}, {"--json"}, 0);
  const std::string path = ReadArchivePathOf(line);
  std::vector<DownloadSummary> records;
  if (IsCentralLocation(path) || std::filesystem::exists(path))
    records = OpenArchiveReader(path)->List();
  if (line.Has("--json")) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const DownloadSummary& record : records) list.push_back(RecordJson(record));
    // Texts that are not UTF-8 (a port name) are written with the replacement character.
    out << list.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  } else {
    PrintList(records, out);
  }
  return kOk;
}

}  // namespace

std::string ArchiveProblemText(const ArchiveError& error) {
  const char* sentence = "";
  switch (error.kind()) {
    case ArchiveError::Kind::kNotAnArchive:
      sentence = _("the file is not a download archive; it is left as it is");
      break;
    case ArchiveError::Kind::kDamaged:
      sentence =
          _("the archive file is damaged and takes no more downloads; it is left as it is: "
            "copy it somewhere safe, check the copy with 'velmorante-cli history verify "
            "--archive COPY', recover what it holds with sqlite3's .recover into a new "
            "file, and archive into a new file meanwhile (--archive NEW)");
      break;
    case ArchiveError::Kind::kNewerVersion:
      sentence = _("the archive was written by a newer version; it is left as it is");
      break;
    case ArchiveError::Kind::kCannotOpen:
      sentence = _("the archive cannot be opened or created");
      break;
    case ArchiveError::Kind::kCannotWrite:
      sentence = _("the archive cannot be read or written");
      break;
    case ArchiveError::Kind::kNoSuchRecord:
      sentence = _("no such download in the archive");
      break;
  }
  return Format("%s (%s)", sentence, error.what());
}

int History(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return RunHistory(args, out, err);
  } catch (const ArchiveError& error) {
    err << "velmorante-cli: " << ArchiveProblemText(error) << '\n';
    return kFailed;
  }
}

DownloadArchiving::DownloadArchiving(const CommandLine& line, std::string port, bool wholeMemory)
    : enabled_(!line.Has("--no-archive")),
      path_(enabled_ ? ArchivePathOf(line) : std::string()),
      port_(std::move(port)),
      kind_(wholeMemory ? DownloadKind::kWholeMemory : DownloadKind::kNormal),
      keptElsewhere_(line.Has("--raw")) {
  if (line.Has("--no-archive") && line.Has("--archive")) {
    throw UsageError(_("--archive and --no-archive cannot be used together"));
  }
}

void DownloadArchiving::Keep(const std::string& text, EndReason reason, std::ostream& err) {
  if (!enabled_ || text.empty()) return;
  NewDownload download;
  download.rawText = text;
  download.receivedAt = std::chrono::system_clock::now();
  download.port = port_;
  download.program = kProgram;
  download.kind = kind_;
  download.reason = reason;
  download.loggerClock = loggerClock_;
  download.clockDriftSeconds = clockDrift_;
  try {
    id_ = DownloadArchive(path_).Add(download);
    err << "velmorante-cli: "
        << Format(_("archived as download %s in %s"), std::to_string(*id_), path_) << '\n';
  } catch (const ArchiveError& error) {
    failed_ = true;
    err << "velmorante-cli: " << _("the download was not archived: ") << ArchiveProblemText(error)
        << '\n';
    if (!keptElsewhere_) Rescue(text, download.receivedAt, err);
  }
}

void DownloadArchiving::Rescue(const std::string& text, std::chrono::system_clock::time_point when,
                               std::ostream& err) {
  int error = 0;
  if (const std::optional<std::string> file = WriteRescueFile(path_, text, when, error)) {
    err << "velmorante-cli: "
        << Format(_("the %s characters received are kept in %s"), std::to_string(text.size()),
                  *file)
        << '\n';
  } else {
    err << "velmorante-cli: "
        << Format(_("the characters received could not be kept beside the archive either: %s"),
                  std::strerror(error))
        << '\n';
  }
}

EndReason DownloadArchiving::ReasonOf(const CliSession& session) {
  // A signal ends the program: the download was running when it was closed.
  if (session.Interrupted()) return EndReason::kProgramClosed;
  if (session.LineFailed()) return EndReason::kLineLost;
  if (session.DownloadAbandoned()) return EndReason::kSizeLimit;
  return EndReason::kTimedOut;
}

void DownloadArchiving::NoteSaved(const std::string& file, std::ostream& err) {
  if (!id_) return;
  const std::string absolute = std::filesystem::absolute(file).string();
  try {
    DownloadArchive(path_).RecordSave(*id_, absolute, std::chrono::system_clock::now());
  } catch (const ArchiveError& error) {
    failed_ = true;
    err << "velmorante-cli: " << ArchiveProblemText(error) << '\n';
    return;
  }
  // The file as written, identified by its SHA-256 in the audit trail.
  std::ifstream in(absolute, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!NoteInAuditTrail(path_,
                        FileWrittenChange(AuditAction::kExport, "", absolute, Sha256Hex(bytes),
                                          "download " + std::to_string(*id_)),
                        err))
    failed_ = true;
}

}  // namespace cli
