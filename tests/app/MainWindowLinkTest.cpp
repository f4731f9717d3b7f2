// The main window against the logger emulator on a pseudo-terminal: connecting, commands, the
// download and what happens when the line goes away.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <ctime>
#include <set>
#include <string>

#include "app/PortAccessError.h"
#include "app/Unit7.h"
#include "app/Unit8.h"
#include "data_ui/Unit5.h"
#include "link/LoggerProtocol.h"
#include "tests/app/MainWindowBench.h"
#include "widgets/ColorButton.h"
#include "widgets/IndicatorLamp.h"
#include "widgets/LedBar.h"
#include "widgets/PieGauge.h"
#include "widgets/RadioGroup.h"
#include "widgets/RockerSwitch.h"

namespace {

constexpr int kWaitMs = 10000;  // generous: the machine may be loaded

const QString kDownloadCaption = QStringLiteral("       DESCARGAR DATOS");

// Every set-clock command that the computer's clock could have given between `from` and `to`.
std::set<std::string> SetClockCommands(std::time_t from, std::time_t to) {
  std::set<std::string> commands;
  for (std::time_t t = from; t <= to; ++t) {
    std::tm local{};
    localtime_r(&t, &local);
    std::string command;
    for (const std::string& write : protocol::SetClockWrites(local)) command += write;
    commands.insert(command);
  }
  return commands;
}

TEST(MainWindowLink, ConnectShowsLoggerStatusAndDisconnectClearsIt) {
  MainWindowBench bench;
  LoggerOptions options = FastLogger(288);
  options.batteryReading = 150;
  options.rateCode = 4;
  bench.StartLogger(options);
  TForm1& main = bench.Main();

  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  EXPECT_TRUE(bench.ShowsConnected());
  EXPECT_EQ(main.ComPort1.FlowControl().ControlRTS(), rtsEnable);
  EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(main.Edit3->text()).hasMatch());
  EXPECT_TRUE(QRegularExpression("^\\d\\d/\\d\\d/20\\d\\d$").match(main.Edit4->text()).hasMatch());
  EXPECT_EQ(main.Edit1->text(), "288");
  EXPECT_EQ(main.RadioGroup1->itemIndex(), 3);
  EXPECT_EQ(main.AbVBar1->caption1(), "REEMPLAZAR PILAS");
  EXPECT_TRUE(bench.Logger().ReceivedCommands().empty());  // connecting sends nothing

  bench.ClickSwitch();
  EXPECT_FALSE(main.ComPort1.Connected());
  EXPECT_EQ(main.ComPort1.FlowControl().ControlRTS(), rtsDisable);
  EXPECT_FALSE(main.AbRockerSwitch1->isOn());
  EXPECT_EQ(main.AbRockerSwitch1->text(), "CONECTAR");
  EXPECT_FALSE(main.AbColBitBtn1->isLit());
  EXPECT_FALSE(main.AbColBitBtn7->isVisible());
  EXPECT_EQ(main.Edit3->text(), "");
  EXPECT_EQ(main.Edit4->text(), "");
  EXPECT_TRUE(bench.errors().isEmpty());
}

TEST(MainWindowLink, FailedOpeningLeavesTheSwitchOff) {
  MainWindowBench bench;
  TForm1& main = bench.Main();
  main.ComPort1.SetPort("/dev/velmorante-no-such-port");
  bench.ClickSwitch();
  ASSERT_EQ(bench.errors().size(), 1);
  EXPECT_TRUE(bench.errors().front().endsWith('.'));
  EXPECT_FALSE(main.AbRockerSwitch1->isOn());
  EXPECT_EQ(main.AbRockerSwitch1->text(), "CONECTAR");
  EXPECT_FALSE(main.AbColBitBtn1->isLit());
  // The "on line" lamp has become visible, unlit.
  EXPECT_TRUE(main.AbColBitBtn7->isVisible());
  EXPECT_FALSE(main.AbColBitBtn7->isLit());
}

TEST(MainWindowLink, RefusedAccessSaysSoInSpanish) {
  EXPECT_TRUE(IsAccessRefused(EComPort(1, EACCES)));
  EXPECT_TRUE(IsAccessRefused(EComPort(1, EPERM)));
  EXPECT_FALSE(IsAccessRefused(EComPort(1, ENOENT)));
  EXPECT_FALSE(IsAccessRefused(EComPort(7, EACCES)));
  const std::string text = AccessRefusedText(EComPort(1, EACCES), "/dev/ttyUSB0");
  EXPECT_EQ(text.rfind(EComPort(1, EACCES).what(), 0), 0u);  // the component's text first
  EXPECT_NE(text.find("permiso"), std::string::npos);
  EXPECT_NE(text.find("/dev/ttyUSB0"), std::string::npos);
  EXPECT_NE(text.find("dialout"), std::string::npos);

  MainWindowBench bench;
  const std::string locked = testing::TempDir() + "velmorante-locked-port";
  FILE* file = fopen(locked.c_str(), "w");
  ASSERT_NE(file, nullptr);
  fclose(file);
  chmod(locked.c_str(), 0);
  bench.Main().ComPort1.SetPort(locked);
  // The superuser may open any file: as root, the click is made as the account "nobody".
  const bool superuser = geteuid() == 0;
  if (superuser) {
    ASSERT_EQ(seteuid(65534), 0);
  }
  bench.ClickSwitch();
  if (superuser) {
    ASSERT_EQ(seteuid(0), 0);
  }
  ASSERT_EQ(bench.errors().size(), 1);
  EXPECT_TRUE(bench.errors().front().contains("dialout"));
  unlink(locked.c_str());
}

TEST(MainWindowLink, RateDialogSendsOneCommandPerDifferentRate) {
  MainWindowBench bench;
  bench.StartLogger();
  TForm1& main = bench.Main();
  TForm7* rate = bench.Windows().Form7;
  auto clickTenTenFive = [](QWidget* window) {
    auto* dialog = static_cast<TForm7*>(window);
    QTest::mouseClick(dialog->Item(2), Qt::LeftButton);
    QTest::mouseClick(dialog->Item(2), Qt::LeftButton);
    QTest::mouseClick(dialog->Item(1), Qt::LeftButton);
  };

  // Disconnected: the selection moves, nothing is sent.
  bench.WhenShown(rate, clickTenTenFive);
  main.AbColBitBtn3->click();
  EXPECT_EQ(bench.timesShown(), 1);

  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  bench.WhenShown(rate, clickTenTenFive);
  main.AbColBitBtn3->click();
  EXPECT_EQ(bench.timesShown(), 2);
  EXPECT_TRUE(QTest::qWaitFor([&] { return bench.Logger().ReceivedCommands() == "42"; }, kWaitMs))
      << bench.Logger().ReceivedCommands();
  EXPECT_TRUE(bench.errors().isEmpty());
}

TEST(MainWindowLink, ClockSettingGoesOutAfterNextTransmission) {
  MainWindowBench bench;
  bench.StartLogger();
  TForm1& main = bench.Main();
  TForm8* clock = bench.Windows().Form8;
  auto confirm = [](QWidget* window) { static_cast<TForm8*>(window)->BitBtn1->click(); };

  // Confirmed while disconnected: nothing goes out, the setting waits across connecting.
  bench.WhenShown(clock, confirm);
  main.AbColBitBtn2->click();
  EXPECT_TRUE(main.HORAPENDIENTE());
  // Nothing is under way that could send it: the timer is off and the port closed.
  EXPECT_FALSE(main.Timer2->isActive());
  EXPECT_FALSE(main.ComPort1.Connected());

  const std::time_t before = std::time(nullptr);
  bench.ClickSwitch();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return bench.Logger().ReceivedCommands().size() >= 13; }, kWaitMs));
  const std::time_t after = std::time(nullptr);
  EXPECT_TRUE(SetClockCommands(before, after).count(bench.Logger().ReceivedCommands()))
      << bench.Logger().ReceivedCommands();
  EXPECT_FALSE(main.HORAPENDIENTE());
  EXPECT_FALSE(main.Timer2->isActive());

  // Confirmed while connected: sent once more, with the clock read at that moment.
  bench.WhenShown(clock, confirm);
  main.AbColBitBtn2->click();
  const std::time_t before2 = std::time(nullptr);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return bench.Logger().ReceivedCommands().size() >= 26; }, kWaitMs));
  const std::time_t after2 = std::time(nullptr);
  EXPECT_TRUE(
      SetClockCommands(before2, after2).count(bench.Logger().ReceivedCommands().substr(13)));
  EXPECT_EQ(bench.Logger().ReceivedCommands().size(), 26u);
}

TEST(MainWindowLink, ClockTimerFindingSwitchOffSendsNothing) {
  MainWindowBench bench;
  ASSERT_TRUE(bench.ConnectToTestLine());
  TForm1& main = bench.Main();
  main.MarkClockPending();
  bench.SendOnLine("12345");  // any batch starts the timer
  EXPECT_TRUE(main.Timer2->isActive());
  EXPECT_EQ(main.Timer2->interval(), 100);
  bench.ClickSwitch();  // off before the timer runs out
  EXPECT_TRUE(QTest::qWaitFor([&] { return !main.Timer2->isActive(); }, kWaitMs));
  EXPECT_FALSE(main.HORAPENDIENTE());
  EXPECT_EQ(bench.ReceivedOnLine(), "");
  EXPECT_TRUE(bench.errors().isEmpty());
}

TEST(MainWindowLink, ClockTimerWithoutConfirmationSendsNothingWhileConnected) {
  MainWindowBench bench;
  bench.StartLogger();
  TForm1& main = bench.Main();
  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  main.Timer2->start();  // as at start-up, when the window has just been created
  ASSERT_TRUE(QTest::qWaitFor([&] { return !main.Timer2->isActive(); }, kWaitMs));
  // A character that is no command follows on the same line: once the logger has it, it has
  // everything the timer's run wrote before it.
  main.ComPort1.SendText("9");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !bench.Logger().ReceivedCommands().empty(); }, kWaitMs));
  EXPECT_EQ(bench.Logger().ReceivedCommands(), "9");
}

TEST(MainWindowLink, DownloadEndsOnLoneEndMarkerAndOpensDataWindow) {
  MainWindowBench bench;
  bench.StartLogger(FastLogger(30));
  TForm1& main = bench.Main();
  TForm5* data = bench.Windows().Form5;

  // Disconnected: nothing happens.
  main.AbColBitBtn4->click();
  EXPECT_EQ(main.DownloadText(), "");
  EXPECT_FALSE(main.DESCARGANDO());
  EXPECT_EQ(main.cursor().shape(), Qt::ArrowCursor);

  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  int rowsShown = 0;
  bench.WhenShown(data, [&](QWidget*) { rowsShown = data->RowCount(); });
  main.AbColBitBtn4->click();
  EXPECT_EQ(main.cursor().shape(), Qt::WaitCursor);
  // The command goes out after the logger's next reply; then the download runs and ends.
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return main.DESCARGANDO() || bench.timesShown() == 1; }, kWaitMs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return bench.timesShown() == 1; }, kWaitMs));

  EXPECT_EQ(main.DownloadText(), bench.Logger().LastDownloadText());
  EXPECT_EQ(main.DownloadText().back(), 'A');
  EXPECT_EQ(rowsShown, 30 + 1);
  EXPECT_FALSE(main.DESCARGANDO());
  EXPECT_TRUE(main.DATOSDESCARGADOS());
  EXPECT_FALSE(main.Gauge1->isVisible());
  EXPECT_EQ(main.cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(main.AbColBitBtn4->textOff(), "              VER DATOS");
  EXPECT_EQ(main.AbColBitBtn4->textOn(), "                VER DATOS");
  EXPECT_EQ(bench.Logger().ReceivedCommands(), "8");

  // Later clicks only show the same data again, also after reconnecting.
  bench.ClickSwitch();
  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  bench.WhenShown(data, nullptr);
  main.AbColBitBtn4->click();
  EXPECT_EQ(bench.timesShown(), 2);
  EXPECT_EQ(main.DownloadText(), bench.Logger().LastDownloadText());
  EXPECT_EQ(bench.Logger().ReceivedCommands(), "8");
  EXPECT_TRUE(bench.errors().isEmpty());
}

TEST(MainWindowLink, ForcedDownloadSendsE) {
  MainWindowBench bench;
  bench.StartLogger(FastLogger(5));
  TForm1& main = bench.Main();
  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  main.CheckBox1->setChecked(true);
  bench.WhenShown(bench.Windows().Form5, nullptr);
  main.AbColBitBtn4->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return bench.timesShown() == 1; }, kWaitMs));
  EXPECT_EQ(bench.Logger().ReceivedCommands(), "E");
}

// A download paced at 9600 baud that lasts long enough to be interrupted.
LoggerOptions SlowDownload() {
  LoggerOptions options = FastLogger(2000);
  options.baud = 9600;
  return options;
}

TEST(MainWindowLink, DisconnectingMidDownloadKeepsPartialText) {
  MainWindowBench bench;
  bench.StartLogger(SlowDownload());
  TForm1& main = bench.Main();
  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  main.AbColBitBtn4->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return main.DownloadText().size() > 200; }, kWaitMs));
  EXPECT_TRUE(main.Gauge1->isVisible());

  bench.ClickSwitch();
  const std::string partial = main.DownloadText();
  EXPECT_FALSE(main.DESCARGANDO());
  EXPECT_FALSE(main.DATOSDESCARGADOS());
  EXPECT_FALSE(main.ComPort1.Connected());
  EXPECT_GT(partial.size(), 200u);
  EXPECT_NE(partial.back(), 'A');
  EXPECT_EQ(main.AbColBitBtn4->textOff(), kDownloadCaption);
  // Releasing the mouse button over the switch took the hourglass away.
  EXPECT_EQ(main.cursor().shape(), Qt::ArrowCursor);
  // The closed port's notices were either handled before it closed or dropped with it.
  bench.RunHandedOver();
  EXPECT_EQ(main.DownloadText(), partial);
  EXPECT_TRUE(bench.errors().isEmpty());
}

TEST(MainWindowLink, ClosingWhileConnectedDropsRtsAndClosesPort) {
  MainWindowBench bench;
  bench.StartLogger();
  TForm1& main = bench.Main();
  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  ASSERT_TRUE(bench.Logger().ClientConnected());
  main.close();
  EXPECT_FALSE(main.isVisible());
  EXPECT_FALSE(main.ComPort1.Connected());
  EXPECT_EQ(main.ComPort1.FlowControl().ControlRTS(), rtsDisable);
  EXPECT_FALSE(main.AbRockerSwitch1->isOn());
  EXPECT_EQ(main.AbRockerSwitch1->text(), "CONECTAR");
  EXPECT_FALSE(main.AbColBitBtn7->isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !bench.Logger().ClientConnected(); }, kWaitMs));
}

// The line going away shows one error and leaves the window as the switch's off step does;
// connecting again works.
void ExpectOneErrorThenDisconnected(MainWindowBench& bench) {
  TForm1& main = bench.Main();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return !bench.errors().isEmpty() && !main.ComPort1.Connected(); }, kWaitMs));
  // The port is closed and its watch thread gone: whatever it handed over runs now, and nothing
  // can add another error after it.
  bench.RunHandedOver();
  EXPECT_EQ(bench.errors().size(), 1) << bench.errors().join(" | ").toStdString();
  EXPECT_FALSE(main.ComPort1.Connected());
  EXPECT_FALSE(main.IsConnected());
  EXPECT_EQ(main.AbRockerSwitch1->text(), "CONECTAR");
  EXPECT_FALSE(main.AbColBitBtn1->isLit());
  EXPECT_FALSE(main.AbColBitBtn7->isVisible());
  EXPECT_FALSE(main.DESCARGANDO());
  EXPECT_EQ(main.cursor().shape(), Qt::ArrowCursor);
}

TEST(MainWindowLink, UnpluggedLineShowsOneErrorAndDisconnects) {
  MainWindowBench bench;
  bench.StartLogger();
  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  bench.UnplugLogger();
  ExpectOneErrorThenDisconnected(bench);

  bench.StartLogger();
  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  EXPECT_TRUE(bench.ShowsConnected());
}

TEST(MainWindowLink, HangUpDuringDownloadKeepsPartialText) {
  MainWindowBench bench;
  // Paced, so that part of the download has been read when the line goes (a hang-up discards
  // what is still queued).
  LoggerOptions options = FastLogger(100);
  options.baud = 9600;
  options.fault = LoggerFault::HangUpInDownload;
  bench.StartLogger(options);
  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  bench.Main().AbColBitBtn4->click();
  ExpectOneErrorThenDisconnected(bench);
  EXPECT_FALSE(bench.Main().DownloadText().empty());
  EXPECT_NE(bench.Main().DownloadText().back(), 'A');
  EXPECT_FALSE(bench.Main().DATOSDESCARGADOS());
  // Asked again while disconnected: the partial text is emptied and nothing else happens.
  bench.Main().AbColBitBtn4->click();
  EXPECT_EQ(bench.Main().DownloadText(), "");
  EXPECT_FALSE(bench.Main().DESCARGANDO());
  EXPECT_EQ(bench.Main().cursor().shape(), Qt::ArrowCursor);
}

TEST(MainWindowLink, OverlongDownloadIsStoppedWithItsTextKept) {
  MainWindowBench bench;
  ASSERT_TRUE(bench.ConnectToTestLine());
  TForm1& main = bench.Main();
  const std::string status = "051003091457180030920202158001010";
  main.AbColBitBtn4->click();  // the command goes out after the next complete reply
  EXPECT_FALSE(main.DESCARGANDO());
  bench.SendOnLine(status);
  ASSERT_TRUE(main.DESCARGANDO());
  EXPECT_EQ(bench.ReceivedOnLine(), "8");
  // Far more than the reply's memory count announced, and no end marker.
  const std::string chunk(64 * 1024, '7');
  for (int i = 0; i < 4 && main.DESCARGANDO(); ++i) bench.SendOnLine(chunk);
  ASSERT_EQ(bench.errors().size(), 1);
  EXPECT_TRUE(bench.errors().front().contains(QStringLiteral("se detuvo")));
  EXPECT_FALSE(main.DESCARGANDO());
  EXPECT_FALSE(main.DATOSDESCARGADOS());
  // What came is kept: every character up to the stop.
  EXPECT_FALSE(main.DownloadText().empty());
  EXPECT_EQ(main.DownloadText().find_first_not_of('7'), std::string::npos);
  EXPECT_FALSE(main.Gauge1->isVisible());
  // Status replies are read again.
  bench.SendOnLine(status);
  EXPECT_EQ(main.Edit3->text(), "10:05:57");
}

}  // namespace
