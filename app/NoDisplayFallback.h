// The command-line demo run when there are no windows: the logger emulator's status and a download,
// printed as a table.
#pragma once

#include <iosfwd>

int RunTerminalDemo(std::ostream& out, std::ostream& err);
