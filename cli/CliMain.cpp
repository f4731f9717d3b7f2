// velmorante-cli: the logger's commands from a terminal or a script.
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/Translate.h"

int main(int argc, char** argv) {
  cli::SetUpMessageLanguage();
  return RunCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
