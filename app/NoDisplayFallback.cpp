#include "app/NoDisplayFallback.h"

#include "cli/CliCommands.h"

int RunTerminalDemo(std::ostream& out, std::ostream& err) {
  return RunCliDemo(out, err);
}
