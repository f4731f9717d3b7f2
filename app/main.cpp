#include <csignal>

#include "app/Project1.h"

int main(int argc, char** argv) {
  std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit fails the write instead of killing us
  return RunProject1(argc, argv);
}
