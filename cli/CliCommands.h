// The command-line tool: each command of velmorante-cli as a function that writes to the given
// streams and returns the process exit status (0 success, 1 failure, 2 bad usage).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Runs velmorante-cli with its arguments (without the program name).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Starts a logger emulator in this process and shows one status reply and a download table from
// it: the tool's `demo` command and the program's fallback when it has no windows.
int RunCliDemo(std::ostream& out, std::ostream& err);
