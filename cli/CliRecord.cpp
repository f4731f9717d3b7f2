// `record`: a station's downloads put together into one export, and the station as a source of the
// other analysis commands.
#include "cli/CliRecord.h"

#include <cmath>
#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "analysis/ExportFormat.h"
#include "analysis/RoundedNumber.h"
#include "archive/DownloadArchive.h"
#include "central/CentralArchive.h"
#include "central/CentralSchema.h"
#include "cli/CliAnalysis.h"
#include "cli/OutputTargets.h"
#include "cli/Translate.h"
#include "record/ArchiveRecord.h"
#include "record/RecordJson.h"

namespace cli {

namespace {

std::optional<std::int64_t> TimeOption(const CommandLine& line, const std::string& name) {
  if (!line.Has(name)) return std::nullopt;
  const std::string text = line.Value(name);
  const std::optional<std::int64_t> seconds = record::WallClockFromIso(text);
  if (!seconds)
    throw UsageError(
        Format(_("%s must be a local date and time YYYY-MM-DDTHH:MM:SS, not '%s'"), name, text));
  return seconds;
}

std::string MinutesText(double minutes) {
  const double whole = std::round(minutes);
  return analysis::RoundedText(minutes, whole == minutes ? 0 : 2);
}

std::string ValueText(double value) {
  return analysis::RoundedText(value, 2);
}

}  // namespace

record::RecordSelection ReadStationSelection(const CommandLine& line, const std::string& station) {
  record::TimeWindow window;
  window.from = TimeOption(line, "--from");
  window.to = TimeOption(line, "--to");
  if (window.from && window.to && *window.from > *window.to)
    throw UsageError(_("--from is later than --to"));
  const std::string path = ArchivePathOf(line);
  // Reading never creates an archive: a missing one is said as such.
  if (!IsCentralLocation(path) && !std::filesystem::exists(path))
    throw std::runtime_error(Format(_("no archive at %s"), path));
  const std::unique_ptr<ArchiveReader> archive = OpenArchiveReader(path);
  std::optional<record::StationRecord> found = record::ReadStationRecord(*archive, station);
  if (!found)
    throw std::runtime_error(
        Format(_("the archive %s knows no station named '%s'"), path, station));
  return record::SelectRecord(std::move(*found), window);
}

void ReportRecordProblems(const record::RecordSelection& selection, std::ostream& err) {
  for (const std::int64_t id : selection.leftOut) {
    err << "velmorante-cli: "
        << Format(_("archived download %s names no start or rate: left out of the record"),
                  std::to_string(id))
        << '\n';
  }
  for (const record::Gap& gap : selection.gaps) {
    const std::string text = gap.minutes > 0
                                 ? Format(_("gap of %s minutes between %s and %s"),
                                          MinutesText(gap.minutes), gap.after, gap.before)
                                 : Format(_("recordings overlap by %s minutes between %s and %s"),
                                          MinutesText(-gap.minutes), gap.after, gap.before);
    err << "velmorante-cli: " << text << '\n';
  }
  for (const record::SelectedConflict& c : selection.conflicts) {
    const record::Reading& kept = c.conflict.kept;
    const record::Reading& other = c.conflict.other;
    err << "velmorante-cli: "
        << Format(_("sample %s at %s read differently: download %s has %s %RH and %s C (kept), "
                    "download %s has %s %RH and %s C"),
                  std::to_string(c.sample), c.timestamp, std::to_string(kept.download),
                  ValueText(kept.humidity), ValueText(kept.temperature),
                  std::to_string(other.download), ValueText(other.humidity),
                  ValueText(other.temperature))
        << '\n';
  }
}

int RecordCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, {"--from", "--to", "--format", "--out", "--archive"}, {}, 1);
  RefuseArchiveTargets(line, {"--out"});
  const analysis::ExportFormat format = ExportFormatOption(line);
  const record::RecordSelection selection = ReadStationSelection(line, line.positional[0]);
  const analysis::JsonMembers members = format == analysis::ExportFormat::kJson
                                            ? record::RecordJsonMembers(selection)
                                            : analysis::JsonMembers{};
  const std::string text = analysis::ExportText(format, selection.table, members);
  DeliverText(line, text, out);
  ReportRecordProblems(selection, err);
  if (line.Has("--out"))
    err << "velmorante-cli: "
        << Format(_("exported %s samples to %s"), std::to_string(selection.table.samples.size()),
                  line.Value("--out"))
        << '\n';
  const std::string& station = line.positional[0];
  return NoteExport(line, station, "station " + station, text, err) ? kOk : kFailed;
}

}  // namespace cli
