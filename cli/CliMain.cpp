// velmorante-cli: the logger's commands from a terminal or a script.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/Translate.h"

int main(int argc, char** argv) {
  std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit fails the write instead of killing us
  cli::SetUpMessageLanguage();
  return RunCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
