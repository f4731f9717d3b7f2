// velmorante-cli: the logger's commands from a terminal or a script.
#include <iostream>
#include <string>
#include <vector>

#include "CliCommands.h"

int main(int argc, char** argv) {
  return RunCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
