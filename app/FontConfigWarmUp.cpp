#include "app/FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>

FontConfigWarmUp::FontConfigWarmUp() : reader_([] { FcInit(); }) {}

FontConfigWarmUp::~FontConfigWarmUp() {
  Wait();
}

void FontConfigWarmUp::Wait() {
  if (reader_.joinable()) reader_.join();
}
