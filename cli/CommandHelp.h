// The help of one command (`velmorante-cli download --help`), cut from the tool's usage text in
// the user's language: the usage line, the lines that describe the command, and the notes on
// sources, the archive, options and exit statuses that follow the list of commands.
#pragma once

#include <string>

namespace cli {

// `usage` is the whole usage text: a first line, a heading line followed by the commands (each
// line indented, a command's first line "  NAME ..."), then the notes. The whole text when
// `command` is not in it.
std::string CommandHelp(const std::string& usage, const std::string& command);

}  // namespace cli
