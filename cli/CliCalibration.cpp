// The calibration commands of velmorante-cli.
#include "cli/CliCalibration.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "analysis/RoundedNumber.h"
#include "archive/CalibrationStore.h"
#include "archive/DownloadArchive.h"
#include "archive/StationStore.h"
#include "cli/CliArguments.h"
#include "cli/CliHistory.h"
#include "cli/OutputTargets.h"
#include "cli/Translate.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

std::string StationName(const std::string& text) {
  if (!IsStationName(text)) {
    throw UsageError(Format(
        _("a station's name is 1 to 64 letters, digits, '-', '_' or '.'; '%s' is not one"), text));
  }
  return text;
}

// The value of option `name` as a finite decimal number, `fallback` when it is not given.
double Figure(const CommandLine& line, const std::string& name, double fallback) {
  if (!line.Has(name)) return fallback;
  const std::string text = line.Value(name);
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value))
    throw UsageError(
        Format(_("%s must be a decimal number such as 0.3 or -1.25, not '%s'"), name, text));
  return value;
}

std::string Required(const CommandLine& line, const std::string& name) {
  if (!line.Has(name) || line.Value(name).empty())
    throw UsageError(Format(_("%s is missing"), name));
  return line.Value(name);
}

std::string Correction(double gain, double offset) {
  return "x " + analysis::RoundedText(gain, 4) + (offset < 0 ? " - " : " + ") +
         analysis::RoundedText(std::fabs(offset), 2);
}

int Set(const std::vector<std::string>& args, std::ostream& out) {
  const CommandLine line =
      Parse(args,
            {"--t-offset", "--t-gain", "--rh-offset", "--rh-gain", "--certificate", "--laboratory",
             "--date", "--from", "--due", "--reason", "--archive"},
            {}, 1);
  Calibration calibration;
  calibration.station = StationName(line.positional[0]);
  calibration.temperatureOffset = Figure(line, "--t-offset", 0);
  calibration.temperatureGain = Figure(line, "--t-gain", 1);
  calibration.humidityOffset = Figure(line, "--rh-offset", 0);
  calibration.humidityGain = Figure(line, "--rh-gain", 1);
  if (calibration.temperatureGain <= 0 || calibration.humidityGain <= 0)
    throw UsageError(_("a gain must be above 0"));
  calibration.certificate = Required(line, "--certificate");
  calibration.laboratory = line.Has("--laboratory") ? line.Value("--laboratory") : "";
  calibration.certificateDate = Required(line, "--date");
  if (!IsIsoDate(calibration.certificateDate))
    throw UsageError(
        Format(_("--date must be a date YYYY-MM-DD, not '%s'"), calibration.certificateDate));
  calibration.due = Required(line, "--due");
  if (!IsIsoDate(calibration.due))
    throw UsageError(Format(_("--due must be a date YYYY-MM-DD, not '%s'"), calibration.due));
  calibration.appliesFrom = line.Has("--from") ? line.Value("--from") : calibration.certificateDate;
  if (!IsIsoDateOrDateTime(calibration.appliesFrom))
    throw UsageError(Format(_("--from must be a date YYYY-MM-DD or a local date and time "
                              "YYYY-MM-DDTHH:MM:SS, not '%s'"),
                            calibration.appliesFrom));
  if (calibration.due < calibration.certificateDate)
    throw UsageError(Format(_("the due date %s is before the certificate's date %s"),
                            calibration.due, calibration.certificateDate));
  const std::string reason = Required(line, "--reason");
  if (!CalibrationProblem(calibration).empty())
    throw UsageError(_("the certificate and the laboratory must not hold control characters"));

  const std::string path = ArchivePathOf(line);
  // A calibration is kept only for a station of an existing archive: none is created for it.
  if (!std::filesystem::exists(path))
    throw std::runtime_error(Format(_("there is no station named '%s'"), calibration.station));
  CalibrationStore store(path);
  try {
    store.Set(calibration, CurrentActor("velmorante-cli", VELMORANTE_VERSION), reason);
  } catch (const CalibrationError&) {
    // Every other refusal was checked above: what is left is a station the archive lacks.
    throw std::runtime_error(Format(_("there is no station named '%s'"), calibration.station));
  }
  out << Format(_("calibration of station %s kept: %s"), calibration.station,
                CalibrationLine(calibration, LocalDateToday()))
      << '\n';
  return kOk;
}

int Show(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, {"--archive"}, {"--json"}, 1);
  const std::string name = StationName(line.positional[0]);
  const std::string path = ArchivePathOf(line);
  std::vector<Calibration> calibrations;
  if (std::filesystem::exists(path)) {
    if (!StationStore(path, ArchiveAccess::kReadOnly).Find(name) &&
        !DownloadArchive(path, ArchiveAccess::kReadOnly).HasStation(name))
      throw std::runtime_error(Format(_("there is no station named '%s'"), name));
    calibrations = CalibrationStore(path, ArchiveAccess::kReadOnly).List(name);
  } else {
    throw std::runtime_error(Format(_("there is no station named '%s'"), name));
  }
  const std::string today = LocalDateToday();
  if (line.Has("--json")) {
    Json list = Json::array();
    for (const Calibration& c : calibrations) {
      Json item = Json::parse(CalibrationJsonText(c));
      item["set_at"] = c.setAt;
      item["expired"] = CalibrationExpired(c, today);
      list.push_back(std::move(item));
    }
    out << list.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    return kOk;
  }
  if (calibrations.empty())
    err << "velmorante-cli: "
        << Format(_("station %s has no calibration: its values are shown as the logger gave them"),
                  name)
        << '\n';
  for (const Calibration& c : calibrations) out << CalibrationLine(c, today) << '\n';
  return kOk;
}

int RunCalibration(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string sub = args.size() > 1 ? args[1] : "";
  std::vector<std::string> rest(args.begin() + (args.size() > 1 ? 1 : 0), args.end());
  rest[0] = "calibration " + sub;
  if (sub == "set") return Set(rest, out);
  if (sub == "show") return Show(rest, out, err);
  if (sub.empty()) throw UsageError(_("calibration needs a command: set or show"));
  throw UsageError(Format(_("unknown calibration command '%s'"), sub));
}

}  // namespace

std::string CalibrationLine(const Calibration& c, const std::string& today) {
  std::string line =
      Format(_("certificate %s (%s, %s) from %s: temperature %s C, humidity %s %; due %s"),
             c.certificate, c.laboratory.empty() ? std::string("-") : c.laboratory,
             c.certificateDate, c.appliesFrom, Correction(c.temperatureGain, c.temperatureOffset),
             Correction(c.humidityGain, c.humidityOffset), c.due);
  if (CalibrationExpired(c, today)) line += ' ' + std::string(_("(EXPIRED)"));
  return line;
}

int CalibrationCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return RunCalibration(args, out, err);
  } catch (const ArchiveError& error) {
    err << "velmorante-cli: " << ArchiveProblemText(error) << '\n';
    return kFailed;
  }
}

}  // namespace cli
