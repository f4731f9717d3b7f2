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
// A port error for the terminal and the station's log, in a plain sentence where the windows show
// the component's fixed text: for an opening, only the cause ("Permission denied", "it is not a
// serial port"), since the caller names the port; otherwise what failed and why ("reading from the
// port failed: Input/output error").
std::string TerminalPortErrorText(const EComPort& error);
