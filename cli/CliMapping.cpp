// `mapping`: reads every station's record and rule through the archive module and writes the
// site's mapping as a table or as JSON.
#include "cli/CliMapping.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <ostream>
#include <stdexcept>

#include "analysis/RoundedNumber.h"
#include "analysis/SiteMappingArchive.h"
#include "analysis/SiteMappingJson.h"
#include "analysis/StatisticsJson.h"
#include "central/CentralSchema.h"
#include "cli/CliArguments.h"
#include "cli/OutputTargets.h"
#include "cli/Translate.h"
#include "data/Calibration.h"
#include "record/RecordSelection.h"

namespace cli {

namespace {

// A date alone is its midnight.
std::int64_t DateOption(const CommandLine& line, const std::string& name) {
  if (!line.Has(name))
    throw UsageError(Format(_("%s is missing: the period is --from DATE --to DATE"), name));
  const std::string text = line.Value(name);
  const std::optional<std::int64_t> seconds =
      record::WallClockFromIso(IsIsoDate(text) ? text + "T00:00:00" : text);
  if (!seconds)
    throw UsageError(Format(_("%s must be a date YYYY-MM-DD or a local date and time "
                              "YYYY-MM-DDTHH:MM:SS, not '%s'"),
                            name, text));
  return *seconds;
}

// The width of `text` on a terminal: its characters, not its bytes.
std::size_t Width(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string Figure(double value) {
  return analysis::RoundedText(value, analysis::kStatisticsDecimals);
}

std::string Minutes(const std::optional<double>& minutes) {
  if (!minutes) return "-";
  return analysis::RoundedText(*minutes, std::round(*minutes) == *minutes ? 0 : 2);
}

using Row = std::vector<std::string>;

Row ChannelRow(const std::string& station, const char* channel, const analysis::ChannelMapping& c,
               std::initializer_list<std::pair<bool, const char*>> marks) {
  std::string noted;
  for (const auto& [marked, text] : marks) {
    if (!marked) continue;
    if (!noted.empty()) noted += ", ";
    noted += _(text);
  }
  return {
      station,       channel,        std::to_string(c.samples), Figure(c.min),
      Figure(c.max), Figure(c.mean), Minutes(c.minutesOutside), Minutes(c.minutesOutsideWarning),
      noted};
}

// Columns padded to their widest cell: names and notes to the left, figures to the right. A row
// shorter than the first (a station and one note) sets only the first column's width, and its note
// runs on from the second column.
void PrintTable(std::ostream& out, const std::vector<Row>& rows) {
  std::vector<std::size_t> widths(rows.front().size(), 0);
  for (const Row& row : rows) {
    const std::size_t columns = row.size() == widths.size() ? row.size() : 1;
    for (std::size_t i = 0; i < columns; ++i) widths[i] = std::max(widths[i], Width(row[i]));
  }
  for (const Row& row : rows) {
    const bool full = row.size() == widths.size();
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      const std::string pad(full || i == 0 ? widths[i] - Width(row[i]) : 0, ' ');
      const bool left = i < 2 || i + 1 == row.size();
      if (i > 0) line += "  ";
      line += left ? row[i] + pad : pad + row[i];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}

void PrintMapping(std::ostream& out, const std::string& from, const std::string& to,
                  const std::vector<analysis::StationMapping>& mapping) {
  out << Format(_("From %s to %s (the end not included)"), from, to) << '\n';
  if (mapping.empty()) {
    out << _("The archive has no stations.") << '\n';
    return;
  }
  std::vector<Row> rows = {{_("STATION"), _("CHANNEL"), _("SAMPLES"), _("MIN"), _("MAX"), _("MEAN"),
                            _("MINUTES BEYOND ALARM"), _("MINUTES BEYOND WARNING"), ""}};
  for (const analysis::StationMapping& m : mapping) {
    if (!m.HasSamples()) {
      // One note over the rest of the line: it takes no part in the columns' widths.
      rows.push_back({m.station, _("no samples in the period")});
      continue;
    }
    rows.push_back(ChannelRow(m.station, _("%RH"), m.humidity,
                              {{m.mostHumid, N_("most humid")}, {m.driest, N_("driest")}}));
    rows.push_back(ChannelRow("", _("C"), m.temperature,
                              {{m.hottest, N_("hottest")}, {m.coldest, N_("coldest")}}));
  }
  PrintTable(out, rows);
  out << _("Minutes beyond the alarm and warning limits of the station's rule, whether or not an\n"
           "alarm was raised; - where the rule sets none.")
      << '\n';
}

}  // namespace

int MappingCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  const CommandLine line = Parse(args, {"--from", "--to", "--station", "--archive"}, {"--json"}, 0);
  analysis::MappingPeriod period;
  period.from = DateOption(line, "--from");
  period.to = DateOption(line, "--to");
  if (period.from >= period.to) throw UsageError(_("--from must be earlier than --to"));
  const std::string path = ArchivePathOf(line);
  // Reading never creates an archive: a missing one is said as such.
  if (!IsCentralLocation(path) && !std::filesystem::exists(path))
    throw std::runtime_error(Format(_("no archive at %s"), path));
  ArchiveModule& module = DiskArchiveModule();
  const std::unique_ptr<ArchiveStore> store = module.OpenForReading(path);
  std::vector<std::string> stations;
  for (const std::string& name : line.Values("--station")) {
    if (std::find(stations.begin(), stations.end(), name) != stations.end()) continue;
    if (!store->HasStation(name))
      throw std::runtime_error(Format(_("the archive %s knows no station named '%s'"), path, name));
    stations.push_back(name);
  }
  if (stations.empty()) stations = analysis::SiteStations(module, *store, path);
  const std::vector<analysis::StationMapping> mapping =
      analysis::ReadSiteMapping(module, *store, path, stations, period);
  if (line.Has("--json")) {
    out << analysis::SiteMappingJson(mapping);
  } else {
    PrintMapping(out, line.Value("--from"), line.Value("--to"), mapping);
  }
  return kOk;
}

}  // namespace cli
