#include "tests/app/MainWindowBench.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <stdexcept>

#include "link/UiHandOff.h"
#include "widgets/IndicatorLamp.h"
#include "widgets/RockerSwitch.h"
#include "window_base/ErrorReport.h"

LoggerOptions FastLogger(int storedSamples) {
  LoggerOptions options;
  options.storedSamples = storedSamples;
  options.baud = 0;
  options.statusPeriodMs = 100;
  // The end marker counts only when it arrives alone: a pause this long on either side of it
  // outlasts the delays of a loaded machine.
  options.endMarkerPauseMs = 500;
  return options;
}

namespace {

TForm1::Options WithoutSetupDialog() {
  TForm1::Options options;
  options.runSetupDialog = false;
  return options;
}

}  // namespace

MainWindowBench::MainWindowBench() : MainWindowBench(WithoutSetupDialog()) {}

MainWindowBench::MainWindowBench(TForm1::Options options)
    : windows_(CreateProgramWindows(std::move(options))) {
  SetErrorReportObserver([this](const QString& text) { errors_ << text; }, false);
  // Counts what the window's handler has read and handled, also when the handler fails.
  Main().ComPort1.OnRxChar = [this, handler = Main().ComPort1.OnRxChar](TCustomComPort& sender,
                                                                        int count) {
    struct Counted {
      std::size_t& handled;
      int count;
      ~Counted() { handled += static_cast<std::size_t>(count); }
    } counted{handled_, count};
    handler(sender, count);
  };
  windows_.Form1->show();
  watch_.setInterval(20);
  // Timer2 runs once after the window is created; a clock setting confirmed before that run
  // would be taken by it.
  if (!QTest::qWaitFor([this] { return !windows_.Form1->Timer2->isActive(); }, 10000))
    ADD_FAILURE() << "the window's start-up timer never ran";
}

MainWindowBench::~MainWindowBench() {
  watch_.stop();
  windows_.Form1.reset();
  logger_.reset();
  line_.reset();
  SetErrorReportObserver({});
}

void MainWindowBench::StartLogger(const LoggerOptions& options) {
  logger_ = std::make_unique<LoggerEmulator>(options);
  logger_->Start();
  Main().ComPort1.SetPort(logger_->PortPath());
}

void MainWindowBench::ClickSwitch() {
  QTest::mouseClick(Main().AbRockerSwitch1, Qt::LeftButton);
}

bool MainWindowBench::ConnectAndWaitForStatus() {
  ClickSwitch();
  // The operator is told to wait two seconds; a loaded machine may take longer to show it.
  return QTest::qWaitFor([this] { return !Main().Edit3->text().isEmpty(); }, 10000);
}

bool MainWindowBench::ShowsConnected() {
  TForm1& main = Main();
  return main.AbRockerSwitch1->isOn() && main.AbRockerSwitch1->text() == "DESCONECTAR" &&
         main.AbColBitBtn1->isLit() && main.AbColBitBtn7->isLit() &&
         main.AbColBitBtn7->isVisible() && main.ComPort1.Connected();
}

void MainWindowBench::WhenShown(QWidget* window, std::function<void(QWidget*)> onShown) {
  watch_.disconnect();
  QObject::connect(&watch_, &QTimer::timeout, [this, window, onShown] {
    if (!window->isVisible()) return;
    watch_.stop();
    ++timesShown_;
    if (onShown) onShown(window);
    if (!window->isVisible()) return;  // closed by onShown
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
      dialog->reject();
    } else {
      window->close();
    }
  });
  watch_.start();
}

bool MainWindowBench::ConnectToTestLine() {
  line_ = std::make_unique<PseudoTerminal>();
  // The test never waits in a write: the window reads the line on this same thread.
  fcntl(line_->Master(), F_SETFL, fcntl(line_->Master(), F_GETFL) | O_NONBLOCK);
  Main().ComPort1.SetPort(line_->Path());
  // The window's time stands still on this line: the pieces that the test sends are never told
  // apart by the pauses of a loaded machine. A test that needs time to pass sets its own clock.
  const auto frozen = std::chrono::steady_clock::now();
  Main().SetSteadyClock([frozen] { return frozen; });
  ClickSwitch();
  return QTest::qWaitFor([this] { return Main().ComPort1.Connected(); }, 10000);
}

void MainWindowBench::SendOnLine(const std::string& bytes) {
  const std::size_t handled = handled_ + bytes.size();
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = write(line_->Master(), bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      throw std::runtime_error("write to the test line failed");
    } else {
      QTest::qWait(1);  // the line is full until the window reads
    }
  }
  // The line hands the characters over in its own time; the window's handler counts what it has
  // read and handled.
  if (!QTest::qWaitFor([&] { return handled_ >= handled; }, 10000)) {
    ADD_FAILURE() << "the window left " << handled - handled_ << " characters unhandled";
  }
}

void MainWindowBench::RunHandedOver() {
  UiHandOff::Main().RunPending();
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

std::string MainWindowBench::ReceivedOnLine() {
  return line_->Receive(1 << 16, std::chrono::milliseconds(50));
}
