// `alarms check`: the excursions of one download, a saved file or an archived one, under a rule
// given on the command line. Nothing is kept: the archive is only read.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>

#include "alarms/RecordExcursions.h"
#include "cli/CliAlarms.h"
#include "cli/CliAnalysis.h"
#include "cli/Translate.h"

namespace cli {

int AlarmCheck(const std::vector<std::string>& args, std::ostream& out) {
  const CommandLine line = ParseWithSource(args, RuleOptionNames(), {"--json"});
  if (line.Has("--station"))
    throw UsageError(_("alarms check reads one download: a file or --history ID"));
  AlarmRule rule;
  if (!ApplyRuleOptions(line, rule))
    throw UsageError(
        _("give the rule to check against: --t-low, --t-high, --rh-low, --rh-high, "
          "their --*-warn-* forms, --delay, --hysteresis"));
  const SampleTable table = ReadSource(line);
  // The samples' own time stamps place the excursions; a saved table names no start.
  if (table.rateMinutes <= 0) throw std::runtime_error(_("the download's sample rate is unknown"));

  // One download is one recording of a record.
  record::Segment segment;
  segment.start = table.start.value_or(LoggerStart{});
  segment.rateMinutes = table.rateMinutes;
  segment.samples = table.samples;
  record::StationRecord record;
  record.segments.push_back(std::move(segment));
  const std::vector<Alarm> found = RecordExcursionAlarms(record, rule, "");

  if (line.Has("--json")) {
    nlohmann::json list = nlohmann::json::array();
    for (const Alarm& alarm : found) list.push_back(AlarmJson(alarm));
    out << list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return kOk;
  }
  if (found.empty()) {
    out << _("no excursion raised an alarm") << '\n';
    return kOk;
  }
  char row[256];
  std::snprintf(row, sizeof row, "%-8s  %-7s  %-7s  %-19s  %-19s  %8s  %7s  %s\n", _("KIND"),
                _("LEVEL"), _("LIMIT"), _("STARTED"), _("ENDED"), _("SAMPLES"), _("MINUTES"),
                _("PEAK"));
  out << row;
  for (const Alarm& a : found) {
    const std::string ended = a.endedAt ? *a.endedAt : _("open");
    std::snprintf(row, sizeof row, "%-8s  %-7s  %-7g  %-19s  %-19s  %8lld  %7g  %g\n",
                  AlarmKindCode(a.kind), AlarmLevelCode(a.level), a.limit.value_or(0),
                  a.startedAt.c_str(), ended.c_str(), static_cast<long long>(a.samples), a.minutes,
                  a.peak.value_or(0));
    out << row;
  }
  return kOk;
}

}  // namespace cli
