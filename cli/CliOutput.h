// Texts the command-line tool prints: status replies and the data table.
#pragma once

#include <iosfwd>
#include <string>

#include "data/SampleTable.h"
#include "link/CPort.h"
#include "link/ReplyInterpreter.h"

// "5 minutes", in the user's language.
std::string RateText(int minutes);
// One line for people: time, date, battery, used memory, rate and both channels.
std::string StatusLine(const LoggerStatus& status);
// One JSON object on one line, for programs.
std::string StatusJson(const LoggerStatus& status);
// The start of logging, the rate and the table with its heading row, in aligned columns.
void PrintTable(const SampleTable& table, std::ostream& out);
// A port error for the terminal: the reason and the system's own words for errno ("Unable to open
// com port: Permission denied"), where the windows show the component's fixed text.
std::string TerminalPortErrorText(const EComPort& error);
