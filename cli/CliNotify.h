// The notification options of velmorante-cli's station commands: a command run for each alarm
// event and mail through an SMTP server, their checks, and how list and status show them (never a
// password).
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <set>
#include <string>

#include "cli/CliArguments.h"
#include "notify/NotifySettings.h"

struct DeliveryTally;

namespace cli {

// The options that change a station's notifications, for Parse.
const std::set<std::string>& NotifyOptions();
// Applies the notification options of `line` to `notify` and checks the result; returns whether
// any was given. An empty value clears a setting. Throws UsageError, naming what is wrong.
bool ApplyNotifyOptions(const CommandLine& line, StationNotify& notify);

nlohmann::ordered_json NotifyJson(const StationNotify& notify);
// One line, such as "by command 'x'; by mail through smtp://h:25 from a@b to c@d".
std::string DescribeNotify(const StationNotify& notify);
// The delivery counts and the last failure, for a station's status.
void PrintDeliveries(const DeliveryTally& tally, std::ostream& out);

}  // namespace cli
