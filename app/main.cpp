#include "app/Project1.h"

int main(int argc, char** argv) {
  return RunProject1(argc, argv);
}
