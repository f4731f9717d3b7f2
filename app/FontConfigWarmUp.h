// Reads the system's font configuration on a second thread while the application object connects
// to the display. Reading it (dozens of XML files, then the font list) is the largest single cost
// of showing the first window, and nothing else needs the processor's second core at that moment.
// The window system's font database, built at the first text, then finds the configuration ready.
#pragma once

#include <thread>

class FontConfigWarmUp {
 public:
  FontConfigWarmUp();
  ~FontConfigWarmUp();  // waits for the reading to finish

  FontConfigWarmUp(const FontConfigWarmUp&) = delete;
  FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

  // Waits for the reading to finish; call before the first text is measured or drawn, so that the
  // configuration is not read twice.
  void Wait();

 private:
  std::thread reader_;
};
