// GoogleTest entry point for the tests of the program's windows: one QApplication for the whole
// run, with the serial port's notices served by its event loop as in the program.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/QtHandOffPump.h"
#include "link/UiHandOff.h"

int main(int argc, char** argv) {
  // Listing the tests happens without the test environment; never ask for a real display.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QtHandOffPump pump(UiHandOff::Main());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
