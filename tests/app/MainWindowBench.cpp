#include "tests/app/MainWindowBench.h"

#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "widgets/ErrorReport.h"
#include "widgets/IndicatorLamp.h"
#include "widgets/RockerSwitch.h"

LoggerOptions FastLogger(int storedSamples) {
  LoggerOptions options;
  options.storedSamples = storedSamples;
  options.baud = 0;
  options.statusPeriodMs = 100;
  options.endMarkerPauseMs = 100;
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
  windows_.Form1->show();
  watch_.setInterval(20);
  // Timer2 runs once after the window is created; a clock setting confirmed before that run
  // would be taken by it.
  [[maybe_unused]] const bool ran =
      QTest::qWaitFor([this] { return !windows_.Form1->Timer2->isActive(); }, 5000);
}

MainWindowBench::~MainWindowBench() {
  watch_.stop();
  windows_.Form1.reset();
  logger_.reset();
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
  // A reply comes every 100 ms; two seconds is what the operator is told to wait.
  return QTest::qWaitFor([this] { return !Main().Edit3->text().isEmpty(); }, 2000);
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
