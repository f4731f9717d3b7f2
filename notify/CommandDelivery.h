// Runs a notification command: /bin/sh -c COMMAND with one JSON object on its standard input, in
// a process group of its own that is killed when it outlives its time limit or a stop is asked.
#pragma once

#include <chrono>
#include <string>

class StopSignal;

struct CommandOutcome {
  bool delivered = false;  // the command ended with exit status 0
  std::string error;       // otherwise why not: the status or signal and the start of its stderr
};

// Throws nothing.
CommandOutcome RunNotifyCommand(const std::string& command, const std::string& input,
                                std::chrono::milliseconds limit, const StopSignal& stop);
