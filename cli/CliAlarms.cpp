// The alarm commands of velmorante-cli: a station's rule of limits, the alarms its service raised,
// their acknowledgement with a comment, and a check of one download against a rule given on the
// command line.
#include "cli/CliAlarms.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "alarms/AlarmStore.h"
#include "archive/StationStore.h"
#include "central/CentralArchive.h"
#include "central/CentralSchema.h"
#include "cli/CliArguments.h"
#include "cli/CliHistory.h"
#include "cli/OutputTargets.h"
#include "cli/Translate.h"

namespace cli {
namespace {

using Json = nlohmann::json;

// The rule's options on the command line, each with the limit it sets.
struct LimitOption {
  const char* name;
  std::optional<double> AlarmRule::*limit;
};
constexpr LimitOption kLimitOptions[] = {
    {"--t-low", &AlarmRule::temperatureLow},
    {"--t-high", &AlarmRule::temperatureHigh},
    {"--rh-low", &AlarmRule::humidityLow},
    {"--rh-high", &AlarmRule::humidityHigh},
    {"--t-warn-low", &AlarmRule::temperatureWarnLow},
    {"--t-warn-high", &AlarmRule::temperatureWarnHigh},
    {"--rh-warn-low", &AlarmRule::humidityWarnLow},
    {"--rh-warn-high", &AlarmRule::humidityWarnHigh},
};

class NoSuchStation : public std::runtime_error {
 public:
  explicit NoSuchStation(const std::string& name)
      : std::runtime_error(Format(_("there is no station named '%s'"), name)) {}
};

bool Blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

// A decimal number written with a point, whole text; nothing otherwise.
std::optional<double> Number(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

double NonNegative(const CommandLine& line, const char* name) {
  const std::string text = line.Value(name);
  const std::optional<double> value = Number(text);
  if (!value || *value < 0)
    throw UsageError(Format(_("%s must be a number of 0 or more, not '%s'"), name, text));
  return *value;
}

// JSON names of a rule's fields as the options that set them: "t_warn_low" -> "--t-warn-low".
std::string OptionName(std::string field) {
  std::replace(field.begin(), field.end(), '_', '-');
  return "--" + field;
}

// A number as people write it: six significant digits, and never an exponent (a clock drift of
// years in seconds is written whole).
std::string Figure(double value) {
  if (!std::isfinite(value)) return "-";
  char text[400];  // the largest double has 309 digits
  std::snprintf(text, sizeof text, std::fabs(value) >= 1e6 ? "%.0f" : "%g", value);
  // %g writes small magnitudes with an exponent too.
  if (std::strchr(text, 'e') != nullptr) return "0";
  return text;
}

std::string LimitText(const std::optional<double>& limit) {
  return limit ? Figure(*limit) : "-";
}

}  // namespace

std::set<std::string> RuleOptionNames() {
  std::set<std::string> names{"--delay", "--hysteresis"};
  for (const LimitOption& option : kLimitOptions) names.insert(option.name);
  return names;
}

bool ApplyRuleOptions(const CommandLine& line, AlarmRule& rule) {
  bool given = false;
  for (const LimitOption& option : kLimitOptions) {
    if (!line.Has(option.name)) continue;
    const std::string text = line.Value(option.name);
    if (text == "none") {
      rule.*option.limit = std::nullopt;
    } else if (const std::optional<double> value = Number(text)) {
      rule.*option.limit = *value;
    } else {
      throw UsageError(
          Format(_("%s must be a number such as 8 or -2.5, or none, not '%s'"), option.name, text));
    }
    given = true;
  }
  if (line.Has("--delay")) {
    rule.delayMinutes = NonNegative(line, "--delay");
    given = true;
  }
  if (line.Has("--hysteresis")) {
    rule.hysteresis = NonNegative(line, "--hysteresis");
    given = true;
  }
  if (const auto conflict = AlarmRuleConflict(rule)) {
    throw UsageError(Format(_("%s must be below %s"), OptionName(conflict->first),
                            OptionName(conflict->second)));
  }
  return given;
}

namespace {

void PrintRule(const std::string& station, const AlarmRule& rule, std::ostream& out) {
  out << Format(_("alarm rule of station %s:"), station) << '\n';
  out << "  "
      << Format(_("temperature, alarm: below %s, above %s"), LimitText(rule.temperatureLow),
                LimitText(rule.temperatureHigh))
      << '\n';
  out << "  "
      << Format(_("temperature, warning: below %s, above %s"), LimitText(rule.temperatureWarnLow),
                LimitText(rule.temperatureWarnHigh))
      << '\n';
  out << "  "
      << Format(_("humidity, alarm: below %s, above %s"), LimitText(rule.humidityLow),
                LimitText(rule.humidityHigh))
      << '\n';
  out << "  "
      << Format(_("humidity, warning: below %s, above %s"), LimitText(rule.humidityWarnLow),
                LimitText(rule.humidityWarnHigh))
      << '\n';
  out << "  "
      << Format(_("delay: %s min; hysteresis: %s"), Figure(rule.delayMinutes),
                Figure(rule.hysteresis))
      << '\n';
}

std::string StationNameOf(const CommandLine& line) {
  const std::string name = line.positional[0];
  if (!IsStationName(name)) {
    throw UsageError(Format(
        _("a station's name is 1 to 64 letters, digits, '-', '_' or '.'; '%s' is not one"), name));
  }
  return name;
}

int RulesSet(const std::vector<std::string>& args, std::ostream& out) {
  std::set<std::string> options = RuleOptionNames();
  options.insert({"--reason", "--archive"});
  const CommandLine line = Parse(args, options, {}, 1);
  const std::string name = StationNameOf(line);
  AlarmRule checked;  // the options alone, checked before anything is opened
  if (!ApplyRuleOptions(line, checked)) {
    throw UsageError(
        _("nothing to change: give a limit (--t-low, --t-high, --rh-low, --rh-high, "
          "their --*-warn-* forms), --delay or --hysteresis"));
  }
  if (!line.Has("--reason") || Blank(line.Value("--reason")))
    throw UsageError(_("a change of rule is kept in the audit trail: say why with --reason TEXT"));
  const std::string path = ArchivePathOf(line);
  if (!std::filesystem::exists(path)) throw NoSuchStation(name);
  if (!StationStore(path).Find(name)) throw NoSuchStation(name);
  AlarmStore store(path);
  AlarmRule rule = store.Rule(name).value_or(AlarmRule{});
  ApplyRuleOptions(line, rule);
  store.SetRule(name, rule, CurrentActor("velmorante-cli", VELMORANTE_VERSION),
                line.Value("--reason"));
  PrintRule(name, rule, out);
  out << _("a running station takes the new rule after its next download") << '\n';
  return kOk;
}

int RulesShow(const std::vector<std::string>& args, std::ostream& out) {
  const CommandLine line = Parse(args, {"--archive"}, {"--json"}, 1);
  const std::string name = StationNameOf(line);
  const std::string path = ArchivePathOf(line);
  if (!std::filesystem::exists(path)) throw NoSuchStation(name);
  if (!StationStore(path, ArchiveAccess::kReadOnly).Find(name)) throw NoSuchStation(name);
  const std::optional<AlarmRule> rule = AlarmStore(path, ArchiveAccess::kReadOnly).Rule(name);
  if (line.Has("--json")) {
    out << (rule ? AlarmRuleJson(*rule) : Json(nullptr)).dump() << '\n';
  } else if (rule) {
    PrintRule(name, *rule, out);
  } else {
    out << Format(_("station %s has no alarm rule; set one with 'velmorante-cli rules set'"), name)
        << '\n';
  }
  return kOk;
}

int List(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line = Parse(args, {"--station", "--archive"}, {"--open", "--json"}, 0);
  const std::string path = ReadArchivePathOf(line);
  std::vector<Alarm> alarms;
  if (IsCentralLocation(path) || std::filesystem::exists(path)) {
    alarms = OpenArchiveReader(path)->Alarms(line.Has("--station") ? line.Value("--station") : "",
                                             line.Has("--open"));
  }
  if (line.Has("--json")) {
    Json list = Json::array();
    for (const Alarm& alarm : alarms) list.push_back(AlarmJson(alarm));
    out << list.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    return kOk;
  }
  if (alarms.empty()) {
    err << "velmorante-cli: " << _("no alarms") << '\n';
    return kOk;
  }
  char row[512];
  std::snprintf(row, sizeof row, "%-6s  %-12s  %-15s  %-7s  %-19s  %-19s  %-6s  %s\n", _("ID"),
                _("STATION"), _("KIND"), _("LEVEL"), _("STARTED"), _("ENDED"), _("PEAK"),
                _("ACKNOWLEDGED"));
  out << row;
  for (const Alarm& a : alarms) {
    const std::string ended = a.endedAt ? *a.endedAt : _("open");
    const std::string ack = a.acknowledgement ? a.acknowledgement->by : "-";
    std::snprintf(row, sizeof row, "%-6lld  %-12s  %-15s  %-7s  %-19s  %-19s  %-6s  %s\n",
                  static_cast<long long>(a.id), a.station.c_str(), AlarmKindCode(a.kind),
                  AlarmLevelCode(a.level), a.startedAt.c_str(), ended.c_str(),
                  LimitText(a.peak).c_str(), ack.c_str());
    out << row;
  }
  return kOk;
}

int Acknowledge(const std::vector<std::string>& args, std::ostream& out) {
  const CommandLine line = Parse(args, {"--comment", "--archive"}, {}, 1);
  const long id = WholeNumber("ID", line.positional[0], 1, 2147483647);
  if (!line.Has("--comment") || Blank(line.Value("--comment")))
    throw UsageError(_("acknowledging an alarm needs a comment: --comment TEXT"));
  const std::string path = ArchivePathOf(line);
  const std::string noSuch = Format(_("there is no alarm %s"), std::to_string(id));
  if (!std::filesystem::exists(path)) throw std::runtime_error(noSuch);
  AlarmStore store(path);
  const std::optional<Alarm> alarm = store.Find(id);
  if (!alarm) throw std::runtime_error(noSuch);
  if (alarm->acknowledgement) {
    throw std::runtime_error(Format(_("alarm %s was acknowledged already by %s at %s"),
                                    std::to_string(id), alarm->acknowledgement->by,
                                    alarm->acknowledgement->at));
  }
  const Alarm acked = store.Acknowledge(id, CurrentActor("velmorante-cli", VELMORANTE_VERSION),
                                        line.Value("--comment"));
  out << Format(_("alarm %s acknowledged by %s"), std::to_string(id), acked.acknowledgement->by)
      << '\n';
  return kOk;
}

}  // namespace

int RulesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string sub = args.size() > 1 ? args[1] : "";
  std::vector<std::string> rest(args.begin() + (args.size() > 1 ? 1 : 0), args.end());
  rest[0] = "rules " + sub;
  try {
    if (sub == "set") return RulesSet(rest, out);
    if (sub == "show") return RulesShow(rest, out);
  } catch (const ArchiveError& error) {
    err << "velmorante-cli: " << ArchiveProblemText(error) << '\n';
    return kFailed;
  }
  if (sub.empty()) throw UsageError(_("rules needs a command: set or show"));
  throw UsageError(Format(_("unknown rules command '%s'"), sub));
}

int AlarmsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string sub = args.size() > 1 ? args[1] : "";
  try {
    if (sub == "ack" || sub == "check" || sub == "list") {
      std::vector<std::string> rest(args.begin() + 1, args.end());
      rest[0] = "alarms " + sub;
      if (sub == "ack") return Acknowledge(rest, out);
      if (sub == "check") return AlarmCheck(rest, out);
      return List(rest, out, err);
    }
    if (!sub.empty() && sub[0] != '-')
      throw UsageError(Format(_("unknown alarms command '%s'"), sub));
    return List(args, out, err);
  } catch (const ArchiveError& error) {
    err << "velmorante-cli: " << ArchiveProblemText(error) << '\n';
    return kFailed;
  }
}

}  // namespace cli
