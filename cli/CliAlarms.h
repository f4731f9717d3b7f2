// Alarms from the command line: `rules set` and `rules show` keep and show a station's rule of
// limits; `alarms` lists the alarms raised, `alarms ack` acknowledges one with a comment, and
// `alarms check` finds the excursions of one download under a rule given on the command line.
#pragma once

#include <iosfwd>
#include <set>
#include <string>
#include <vector>

#include "alarms/Alarm.h"
#include "cli/CliArguments.h"

namespace cli {

// `rules SUBCOMMAND ...` and `alarms [SUBCOMMAND] ...` (args[0] is the command's name). Return the
// exit status; throw UsageError for a bad command line.
int RulesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int AlarmsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The options that set a rule: --t-low, --t-high, --rh-low, --rh-high, their --*-warn-* forms
// (each a number or "none"), --delay MINUTES and --hysteresis.
std::set<std::string> RuleOptionNames();
// Sets in `rule` what the options of `line` give; returns whether any was given. Throws UsageError
// for a value that is not a number and for limits that contradict each other.
bool ApplyRuleOptions(const CommandLine& line, AlarmRule& rule);

// `alarms check SOURCE|--history ID [rule options] [--json]` (args[0] is "alarms check").
int AlarmCheck(const std::vector<std::string>& args, std::ostream& out);

}  // namespace cli
