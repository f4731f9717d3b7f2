// Texts the command-line tool prints: status replies and the data table.
#pragma once

#include <iosfwd>
#include <string>

#include "data/SampleDecoder.h"
#include "link/ReplyInterpreter.h"

// "5 minutes", in the user's language.
std::string RateText(int minutes);
// One line for people: time, date, battery, used memory, rate and both channels.
std::string StatusLine(const StatusDisplay& status);
// One JSON object on one line, for programs.
std::string StatusJson(const StatusDisplay& status);
// The start of logging, the rate and the table with its heading row, in aligned columns.
void PrintTable(const SampleTable& table, std::ostream& out);
