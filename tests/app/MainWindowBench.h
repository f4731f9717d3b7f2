// The program's windows on a logger emulator: the port is set to the emulator's pseudo-terminal
// and the setup dialog is bypassed. Error reports are collected instead of shown.
#pragma once

#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/ProgramWindows.h"
#include "sim/LoggerEmulator.h"
#include "tests/link/PseudoTerminal.h"

// Unpaced, with a status reply every 100 ms.
LoggerOptions FastLogger(int storedSamples = 20);

class MainWindowBench {
 public:
  MainWindowBench();
  explicit MainWindowBench(TForm1::Options options);
  ~MainWindowBench();

  // Starts a logger with `options` and points ComPort1 at it (closed).
  void StartLogger(const LoggerOptions& options = FastLogger());
  TForm1& Main() { return *windows_.Form1; }
  ProgramWindows& Windows() { return windows_; }
  LoggerEmulator& Logger() { return *logger_; }
  // Stops the logger and closes its end of the line: the port sees a hang-up, as when unplugged.
  void UnplugLogger() { logger_.reset(); }

  // A mouse click on the connect switch, as the operator makes it.
  void ClickSwitch();
  // Connects and waits for the first decoded status reply; false when none came.
  bool ConnectAndWaitForStatus();
  // Whether the window shows the connected state.
  bool ShowsConnected();

  // A line whose far end is the test: ComPort1 opens a pseudo-terminal and the switch connects it.
  // The window's steady clock stands still from here on. False when the port did not connect.
  bool ConnectToTestLine();
  // Sends `bytes` on the test's line, as the logger would, and returns once the window has read
  // and handled every one of them.
  void SendOnLine(const std::string& bytes);
  // What the window has written on the test's line since the last call.
  std::string ReceivedOnLine();

  // Runs `onShown` on `window` once it is visible (inside its modal loop), then closes it.
  void WhenShown(QWidget* window, std::function<void(QWidget*)> onShown);
  int timesShown() const { return timesShown_; }

  // Characters the window's received-characters handler has read so far, from any line.
  std::size_t handledCharacters() const { return handled_; }
  // Runs every call already handed to the window (port notices, queued events) without waiting
  // for new ones: what is checked afterwards saw all of them.
  void RunHandedOver();

  const QStringList& errors() const { return errors_; }

 private:
  std::unique_ptr<LoggerEmulator> logger_;
  std::unique_ptr<PseudoTerminal> line_;
  ProgramWindows windows_;
  QStringList errors_;
  QTimer watch_;
  int timesShown_ = 0;
  std::size_t handled_ = 0;  // characters the window's received-characters handler has read
};
