// `export` and `stats`: read a captured download, a saved table, an archived download or a
// station's record, then write an export or the statistics. Files are written whole or not at all.
#include "cli/CliAnalysis.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "analysis/ExportFormat.h"
#include "analysis/LimitRange.h"
#include "analysis/RoundedNumber.h"
#include "analysis/SampleStatistics.h"
#include "analysis/StampText.h"
#include "analysis/StatisticsJson.h"
#include "archive/AuditChanges.h"
#include "archive/CalibrationStore.h"
#include "archive/DownloadArchive.h"
#include "archive/Sha256.h"
#include "central/CentralArchive.h"
#include "central/CentralSchema.h"
#include "cli/AtomicFile.h"
#include "cli/CliArguments.h"
#include "cli/CliAudit.h"
#include "cli/CliCalibration.h"
#include "cli/CliRecord.h"
#include "cli/DownloadOutput.h"
#include "cli/OutputTargets.h"
#include "cli/Translate.h"
#include "data/DownloadSource.h"
#include "data/ImpossibleReadings.h"
#include "data/SensorRange.h"
#include "record/RecordCalibration.h"

namespace cli {

namespace {

// What is wrong with the line of `path` that is not a line of a saved table.
std::string ShapeMessage(const std::string& path, const SavedTableProblem& problem) {
  using Shape = SavedTableProblem::Shape;
  const std::string line = std::to_string(problem.line);
  switch (problem.shape) {
    case Shape::kNoLines:
      return Format(_("%s is empty: neither a captured download nor a saved table file"), path);
    case Shape::kByteOrderMark:
      return Format(_("%s, line %s: the file begins with a byte order mark; a saved table has "
                      "none"),
                    path, line);
    case Shape::kTab:
      return Format(_("%s, line %s: fields are apart by tabs; a saved table has two spaces "
                      "between them"),
                    path, line);
    case Shape::kFieldCount:
      return Format(_("%s, line %s: %s fields where a saved table has 4 (date, time, channel 1, "
                      "channel 2, two spaces apart)"),
                    path, line, std::to_string(problem.fields));
    case Shape::kNotADate:
      return Format(_("%s, line %s: '%s' is not a date (DD/MM/YYYY)"), path, line, problem.field);
    case Shape::kNotATime:
      return Format(_("%s, line %s: '%s' is not a time (HH:MM:SS)"), path, line, problem.field);
    case Shape::kNotANumber:
      return Format(_("%s, line %s: '%s' is not a number"), path, line, problem.field);
    case Shape::kOneChannel:
      return Format(_("%s, line %s: one channel has a value and the other none"), path, line);
    case Shape::kNone:
      break;
  }
  return Format(_("%s is neither a captured download nor a saved table file"), path);
}

// Why the saved table in `path` cannot be read: what no logger could have recorded, or what is
// not a line of a table, and where.
std::string SavedTableProblemMessage(const std::string& path, const SavedTableProblem& problem) {
  const std::string line = std::to_string(problem.line);
  switch (problem.kind) {
    case SavedTableProblem::Kind::kNoSuchDate:
      return Format(_("%s, line %s: the date %s does not exist"), path, line, problem.field);
    case SavedTableProblem::Kind::kTimeOutOfDay:
      return Format(_("%s, line %s: the time %s is past 23:59:59"), path, line, problem.field);
    case SavedTableProblem::Kind::kHumidityOutOfRange:
      return Format(_("%s, line %s: no reading of the sensor gives the humidity %s"), path, line,
                    problem.field);
    case SavedTableProblem::Kind::kTemperatureOutOfRange:
      return Format(_("%s, line %s: no reading of the sensor gives the temperature %s"), path, line,
                    problem.field);
    case SavedTableProblem::Kind::kUnevenSteps:
      return Format(_("%s, line %s: the time %s is not one sample rate after the one before"), path,
                    line, problem.field);
    case SavedTableProblem::Kind::kNone:
    case SavedTableProblem::Kind::kNotATable:
      break;
  }
  return ShapeMessage(path, problem);
}

// Refuses a decoded download that holds what no logger sends: exported or summed up, it would pass
// for data.
void RefuseImpossible(const SampleTable& table, const std::string& source) {
  const ImpossibleReading found = FindImpossibleReading(table);
  if (found) throw std::runtime_error(ImpossibleReadingText(found, table, source));
}

// The decoded download of SOURCE. A file that is neither a capture nor a saved table, or a capture
// that cannot be decoded, is an error: nothing is exported from half a download.
SampleTable ReadSource(const std::string& path) {
  // Far above any download or its saved table; a device such as /dev/zero is refused.
  constexpr std::size_t kLargestSource = std::size_t{64} << 20;
  SavedTableProblem problem;
  // The exports and statistics read the numbers only: a saved table's display texts would take
  // several times the file's size.
  std::optional<LoadedDownload> loaded =
      RecogniseDownload(ReadWholeFile(path, kLargestSource), &problem, false);
  if (!loaded) throw std::runtime_error(SavedTableProblemMessage(path, problem));
  if (loaded->table.error)
    throw std::runtime_error(
        Format(_("the download in %s cannot be decoded: %s"), path, *loaded->table.error));
  if (loaded->kind == LoadedDownload::Kind::kRawDownload) RefuseImpossible(loaded->table, path);
  return std::move(loaded->table);
}

bool HasOption(const std::vector<std::string>& args, const std::string& name) {
  return std::any_of(args.begin(), args.end(), [&](const std::string& arg) {
    return arg == name || arg.rfind(name + "=", 0) == 0;
  });
}

}  // namespace

// SOURCE is one file, `--history ID` or `--station NAME [--from ISO] [--to ISO]` (with `--archive
// FILE` where the archive is not the usual one); returns the command line parsed accordingly.
CommandLine ParseWithSource(const std::vector<std::string>& args,
                            std::set<std::string> valueOptions,
                            const std::set<std::string>& switchOptions) {
  const bool fromHistory = HasOption(args, "--history");
  const bool fromStation = HasOption(args, "--station");
  if (fromHistory && fromStation)
    throw UsageError(_("--history and --station are two sources: give one"));
  valueOptions.insert({"--history", "--archive", "--station", "--from", "--to"});
  CommandLine line = Parse(args, valueOptions, switchOptions, fromHistory || fromStation ? 0 : 1);
  if (!fromHistory && !fromStation && line.Has("--archive"))
    throw UsageError(_("--archive goes with --history ID or --station NAME"));
  if (!fromStation && (line.Has("--from") || line.Has("--to")))
    throw UsageError(_("--from and --to go with --station NAME"));
  return line;
}

SampleTable ReadSource(const CommandLine& line) {
  if (line.Has("--station")) {
    record::RecordSelection selection = ReadStationSelection(line, line.Value("--station"));
    return std::move(selection.table);
  }
  if (!line.Has("--history")) return ReadSource(line.positional[0]);
  const long id = WholeNumber("--history", line.Value("--history"), 1, 2147483647);
  const std::string path = ArchivePathOf(line);
  // Reading never creates an archive: a missing one is said as such.
  if (!IsCentralLocation(path) && !std::filesystem::exists(path))
    throw std::runtime_error(Format(_("no archive at %s"), path));
  const std::unique_ptr<ArchiveReader> archive = OpenArchiveReader(path);
  const ArchivedDownload download = archive->Get(id);
  SampleTable table = DecodeReceived(download.rawText);
  if (table.error)
    throw std::runtime_error(
        Format(_("archived download %s cannot be decoded: %s"), std::to_string(id), *table.error));
  RefuseImpossible(table, Format(_("archived download %s"), std::to_string(id)));
  // A station's download reads as its record does: corrected by the station's calibrations.
  if (!download.summary.station.empty()) {
    record::ApplyCalibrations(table, archive->Calibrations(download.summary.station));
  }
  return table;
}

namespace {

std::string Figure(double value) {
  const std::string text = analysis::RoundedText(value, analysis::kStatisticsDecimals);
  return text.empty() ? "-" : text;
}

analysis::ChannelLimits LimitsOption(const CommandLine& line, const std::string& name,
                                     const SensorRange& range) {
  if (!line.Has(name)) return {};
  const std::string text = line.Value(name);
  analysis::LimitProblem problem = analysis::LimitProblem::kNone;
  if (const std::optional<analysis::ChannelLimits> limits =
          analysis::ParseLimitRange(text, range, &problem))
    return *limits;
  if (problem == analysis::LimitProblem::kBeyondSensor)
    throw UsageError(Format(_("%s: the sensor gives only %s to %s, not '%s'"), name,
                            analysis::RoundedText(range.lowest, 1),
                            analysis::RoundedText(range.highest, 1), text));
  throw UsageError(Format(_("%s must be LOW:HIGH (either may be left out, LOW not above HIGH), "
                            "not '%s'"),
                          name, text));
}

std::string StampAt(const SampleTable& table, std::size_t count, std::size_t sample) {
  if (count == 0 || !table.samples[sample].hasStamp) return "-";
  return analysis::IsoText(analysis::StampOf(table.samples[sample]));
}

void PrintChannel(std::ostream& out, const char* name, const SampleTable& table,
                  const analysis::ChannelStatistics& c) {
  out << name << '\n'
      << Format(_("  count %s  mean %s  stdev %s"), std::to_string(c.count), Figure(c.mean),
                Figure(c.stdev))
      << '\n'
      << Format(_("  min %s at %s  max %s at %s"), Figure(c.min),
                StampAt(table, c.count, c.minSample), Figure(c.max),
                StampAt(table, c.count, c.maxSample))
      << '\n';
}

void PrintLimits(std::ostream& out, const char* name, const analysis::ChannelLimits& set,
                 const std::optional<analysis::LimitStatistics>& result) {
  if (!result) return;
  const std::string low = set.low ? Figure(*set.low) : "-";
  const std::string high = set.high ? Figure(*set.high) : "-";
  const std::string minutes =
      result->minutesOutside ? analysis::RoundedText(*result->minutesOutside, 0) : "-";
  out << Format(_("%s limits %s to %s: %s below, %s above, %s % outside, %s minutes outside"), name,
                low, high, std::to_string(result->below), std::to_string(result->above),
                Figure(result->percentOutside), minutes)
      << '\n';
}

void PrintStatistics(std::ostream& out, const SampleTable& table,
                     const analysis::DownloadStatistics& s, const analysis::LimitSettings& limits) {
  const std::string rate = table.rateMinutes > 0 ? std::to_string(table.rateMinutes) : "-";
  out << Format(_("Samples: %s  Rate: %s minutes"), std::to_string(table.samples.size()), rate)
      << '\n';
  PrintChannel(out, _("Relative humidity (%):"), table, s.humidity);
  PrintChannel(out, _("Temperature (C):"), table, s.temperature);
  const analysis::DewPointStatistics& d = s.dewPoint;
  out << _("Dew point (C):") << '\n'
      << Format(_("  min %s  max %s  mean %s  (%s samples without one: humidity 0 % or below)"),
                d.count ? Figure(d.min) : "-", d.count ? Figure(d.max) : "-",
                d.count ? Figure(d.mean) : "-", std::to_string(d.skipped))
      << '\n';
  out << Format(_("Mean kinetic temperature: %s C"), Figure(s.mktCelsius)) << '\n';
  PrintLimits(out, _("Relative humidity"), limits.humidity, s.humidityLimits);
  PrintLimits(out, _("Temperature"), limits.temperature, s.temperatureLimits);
  const std::string today = LocalDateToday();
  for (const Calibration& calibration : table.calibrations)
    out << Format(_("Values corrected by calibration: %s"), CalibrationLine(calibration, today))
        << '\n';
}

}  // namespace

analysis::ExportFormat ExportFormatOption(const CommandLine& line) {
  if (!line.Has("--format")) throw UsageError(_("--format is missing: csv, csv-es or json"));
  const std::optional<analysis::ExportFormat> format =
      analysis::ExportFormatNamed(line.Value("--format"));
  if (!format)
    throw UsageError(
        Format(_("--format must be csv, csv-es or json, not '%s'"), line.Value("--format")));
  return *format;
}

void DeliverText(const CommandLine& line, const std::string& text, std::ostream& out) {
  if (line.Has("--out")) {
    WriteFileAtomically(line.Value("--out"), text);
  } else {
    out << text;
  }
}

bool NoteExport(const CommandLine& line, const std::string& station, const std::string& source,
                const std::string& text, std::ostream& err) {
  if (!line.Has("--out")) return true;
  const std::string file = std::filesystem::absolute(line.Value("--out")).string();
  return NoteInAuditTrail(
      ArchivePathOf(line),
      FileWrittenChange(AuditAction::kExport, station, file, Sha256Hex(text), source), err);
}

int ExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = ParseWithSource(args, {"--format", "--out"}, {});
  RefuseArchiveTargets(line, {"--out"});
  if (!line.positional.empty()) RefuseInputTargets(line, line.positional[0], {"--out"});
  const analysis::ExportFormat format = ExportFormatOption(line);
  const SampleTable table = ReadSource(line);
  // A file's export goes out piece by piece: a large one is never held whole. One made from the
  // archive's records is held whole, for the checksum the audit trail keeps of it.
  const bool fromArchive = line.Has("--station") || line.Has("--history");
  std::string text;
  if (fromArchive) {
    text = analysis::ExportText(format, table);
    DeliverText(line, text, out);
  } else {
    const auto produce = [&](const WritePiece& write) {
      analysis::ExportPieces(format, table, {}, write);
    };
    if (line.Has("--out")) {
      WriteFileAtomically(line.Value("--out"), produce);
    } else {
      produce([&out](std::string_view piece) {
        out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
      });
    }
  }
  if (line.Has("--out"))
    err << "velmorante-cli: "
        << Format(_("exported %s samples to %s"), std::to_string(table.samples.size()),
                  line.Value("--out"))
        << '\n';
  // A file made from the archive's records is noted in its audit trail.
  bool noted = true;
  if (line.Has("--station")) {
    const std::string station = line.Value("--station");
    noted = NoteExport(line, station, "station " + station, text, err);
  } else if (line.Has("--history")) {
    noted = NoteExport(line, "", "download " + line.Value("--history"), text, err);
  }
  return noted ? kOk : kFailed;
}

int StatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  const CommandLine line = ParseWithSource(args, {"--limits-rh", "--limits-t"}, {"--json"});
  analysis::LimitSettings limits;
  limits.humidity = LimitsOption(line, "--limits-rh", kHumidityRange);
  limits.temperature = LimitsOption(line, "--limits-t", kTemperatureRange);
  const SampleTable table = ReadSource(line);
  const analysis::DownloadStatistics statistics = analysis::ComputeStatistics(table, limits);
  if (line.Has("--json")) {
    out << analysis::StatisticsJson(table, statistics, limits);
  } else {
    PrintStatistics(out, table, statistics, limits);
  }
  return kOk;
}

}  // namespace cli
