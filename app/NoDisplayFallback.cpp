#include "NoDisplayFallback.h"

#include "CliCommands.h"

int RunTerminalDemo(std::ostream& out, std::ostream& err) {
  return RunCliDemo(out, err);
}
