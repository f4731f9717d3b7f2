// What an operator meets beside the specified controls: exact window titles, a clock setting that
// waits shown and cancellable, every digit of the memory display, the connect switch from the
// keyboard, choosing another port after a failed opening, and errors explained in Spanish.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <ctime>

#include "app/PortErrorAdvice.h"
#include "app/Project1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit7.h"
#include "app/Unit8.h"
#include "charts/Unit6.h"
#include "data_ui/Unit5.h"
#include "link/CPort.h"
#include "link/LoggerProtocol.h"
#include "tests/app/MainWindowBench.h"
#include "widgets/ColorButton.h"
#include "widgets/RockerSwitch.h"

namespace {

constexpr int kWaitMs = 10000;

TEST(WindowTitles, ExactlyTheCaptionsWithNothingAppended) {
  const QString name = QCoreApplication::applicationName();
  NameApplication();
  EXPECT_EQ(QCoreApplication::applicationName(), "Velmorante");  // the message boxes' title
  // Without a display name of its own the application's follows its name; had one been set, the
  // window system would append it to every title.
  QCoreApplication::setApplicationName(QStringLiteral("probe"));
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
  QCoreApplication::setApplicationName(name);

  MainWindowBench bench;
  ProgramWindows& w = bench.Windows();
  const std::pair<QWidget*, const char*> titles[] = {
      {w.Form1.get(), "VELMORANTE-12BITS V 3.2"},      {w.Form2, "ACERCA DE DURNOSPHERE"},
      {w.Form3, "Ayuda soble el uso del programa"},    {w.Form5, "DATOS DESCARGADOS"},
      {w.Form6, "GRAFICO DE LOS VALORES DESCARGADOS"}, {w.Form7, "Selección de tasa de muestreo"},
      {w.Form8, "PUESTA EN HORA DEL LOGGER"},
  };
  for (const auto& [window, title] : titles) EXPECT_EQ(window->windowTitle(), QString(title));
}

// 09:05:07 on 3 February 2031, local time.
std::time_t FixedClock() {
  std::tm local{};
  local.tm_year = 2031 - 1900;
  local.tm_mon = 1;
  local.tm_mday = 3;
  local.tm_hour = 9;
  local.tm_min = 5;
  local.tm_sec = 7;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

TEST(ClockSettingWaiting, ShownWhileItWaitsAndCancelledBeforeConnecting) {
  MainWindowBench bench({.runSetupDialog = false, .extraPorts = {}, .clock = FixedClock});
  bench.StartLogger();
  TForm1& main = bench.Main();
  auto* pending = main.findChild<ColorButton*>(QStringLiteral("ClockPendingButton"));
  ASSERT_NE(pending, nullptr);
  EXPECT_FALSE(pending->isVisible());
  EXPECT_FALSE(pending->toolTip().isEmpty());
  auto confirm = [](QWidget* window) { static_cast<TForm8*>(window)->BitBtn1->click(); };

  bench.WhenShown(bench.Windows().Form8, confirm);
  main.AbColBitBtn2->click();
  ASSERT_TRUE(main.HORAPENDIENTE());
  EXPECT_TRUE(pending->isVisible());
  // It sits in free space: over no specified control.
  for (QWidget* control : main.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (control == pending || !control->isVisible()) continue;
    EXPECT_FALSE(control->geometry().intersects(pending->geometry()))
        << control->objectName().toStdString();
  }

  pending->click();
  EXPECT_FALSE(main.HORAPENDIENTE());
  EXPECT_FALSE(pending->isVisible());
  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  // Several more replies, each of which would have started the clock setting; then a character
  // that is no command: once the logger has it, it has everything written before it.
  const std::size_t handled = bench.handledCharacters();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return bench.handledCharacters() >= handled + 3 * protocol::kStatusReplyLength; },
      kWaitMs));
  EXPECT_FALSE(main.Timer2->isActive());
  main.ComPort1.SendText("9");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !bench.Logger().ReceivedCommands().empty(); }, kWaitMs));
  EXPECT_EQ(bench.Logger().ReceivedCommands(), "9");

  // Not cancelled: it goes out after the next transmission, with the computer's time, and the sign
  // goes away.
  bench.WhenShown(bench.Windows().Form8, confirm);
  main.AbColBitBtn2->click();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return bench.Logger().ReceivedCommands().size() >= 1 + 13; }, kWaitMs));
  EXPECT_EQ(bench.Logger().ReceivedCommands(),
            "9"
            "3090507030231");
  EXPECT_FALSE(pending->isVisible());
}

TEST(MemoryDisplay, ShowsEveryDigitOfTheLargestPointer) {
  MainWindowBench bench;
  ASSERT_TRUE(bench.ConnectToTestLine());
  TForm1& main = bench.Main();
  const QFont usual = main.Edit1->font();
  // Pointer 999 999: (999 * 256 + 999 - 6) / 4 = 64184.25.
  bench.SendOnLine("051003091457180030920202158999999");
  ASSERT_EQ(main.Edit1->text(), "64184,25");
  const qreal shown = QFontMetricsF(main.Edit1->font()).horizontalAdvance(main.Edit1->text());
  EXPECT_LE(shown, main.Edit1->contentsRect().width() - 4);
  EXPECT_EQ(main.Edit1->width(), 37);  // the box keeps its place and size
  // A short count gets the usual letters back.
  bench.SendOnLine("051003091457180030920202158001010");
  EXPECT_EQ(main.Edit1->text(), "65");
  EXPECT_EQ(main.Edit1->font().pixelSize(), usual.pixelSize());
}

TEST(ConnectSwitchKeyboard, SpaceConnectsAndDisconnectsWithOneCaptionSize) {
  MainWindowBench bench;
  bench.StartLogger();
  TForm1& main = bench.Main();
  const int offSize = main.AbRockerSwitch1->captionFont().pixelSize();
  main.activateWindow();
  main.AbRockerSwitch1->setFocus();
  ASSERT_TRUE(main.AbRockerSwitch1->hasFocus());
  QTest::keyClick(main.AbRockerSwitch1, Qt::Key_Space);
  EXPECT_TRUE(bench.ShowsConnected());
  EXPECT_EQ(main.AbRockerSwitch1->captionFont().pixelSize(), offSize);
  QTest::keyClick(main.AbRockerSwitch1, Qt::Key_Space);
  EXPECT_FALSE(main.ComPort1.Connected());
  EXPECT_TRUE(bench.errors().isEmpty());
}

TEST(PortChoiceAfterFailure, SetupDialogOpensAgainWhileDisconnected) {
  MainWindowBench bench;
  TForm1& main = bench.Main();
  main.ComPort1.SetPort("/dev/velmorante-no-such-port");
  bench.ClickSwitch();
  ASSERT_EQ(bench.errors().size(), 1);
  EXPECT_TRUE(bench.errors().front().startsWith("Unable to open com port"));
  EXPECT_TRUE(bench.errors().front().contains("no existe"));
  EXPECT_TRUE(bench.errors().front().contains("PUERTO"));

  auto* button = main.findChild<ColorButton*>(QStringLiteral("PortSetupButton"));
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(button->isVisible());
  EXPECT_TRUE(button->toolTip().contains("puerto"));
  // The dialog comes up; choosing "Cancel" keeps the port as it was.
  int shown = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog->objectName() != "ComSetupFrm") return;
    ++shown;
    dialog->reject();
  });
  poll.start(20);
  button->click();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(main.ComPort1.Port(), "/dev/velmorante-no-such-port");

  // Connected, the port is not changed under the line: the button goes away.
  bench.StartLogger();
  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  EXPECT_FALSE(button->isVisible());
  bench.ClickSwitch();
  EXPECT_TRUE(button->isVisible());
}

TEST(PortErrorAdvice, SpanishSentenceForTheUsualCauses) {
  struct Case {
    EComPort error;
    const char* says;  // empty: the component's text alone
  };
  const Case cases[] = {
      {EComPort(1, ENOENT), "no existe"},
      {EComPort(1, ENXIO), "no existe"},
      {EComPort(1, EBUSY), "otro programa"},
      {EComPort(3, EIO), "se desconectó el cable"},
      {EComPort(2, EIO), "se desconectó"},
      {EComPort(1, EACCES), "dialout"},
      {EComPort(14, 0), ""},
  };
  for (const Case& c : cases) {
    const std::string text = PortErrorText(c.error, "/dev/ttyUSB0");
    SCOPED_TRACE(text);
    EXPECT_EQ(text.rfind(c.error.what(), 0), 0u);  // the component's text first, unchanged
    if (*c.says == '\0') {
      EXPECT_EQ(text, c.error.what());
    } else {
      EXPECT_NE(text.find(c.says), std::string::npos);
      EXPECT_NE(text.find("/dev/ttyUSB0"), std::string::npos);
    }
  }
}

}  // namespace
