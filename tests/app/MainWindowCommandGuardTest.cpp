// The main window's guards around its commands: a download that is arriving is not restarted by
// a further click, and a clock setting that the logger does not take is reported.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <ctime>

#include "tests/app/MainWindowBench.h"
#include "widgets/ColorButton.h"
#include "widgets/PieGauge.h"

namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

constexpr int kWaitMs = 10000;  // generous: the machine may be loaded

// The operator clicks DESCARGAR DATOS every 1.9 s while the download arrives: it goes on, and
// nothing is written to the logger. Once nothing has come for 2 s a click asks again, and the
// command waits for a status reply, as the logger sends none while it streams.
TEST(MainWindowCommandGuard, ClicksWhileADownloadArrivesDoNotRestartIt) {
  SteadyClock::time_point now = SteadyClock::now();
  MainWindowBench bench;
  TForm1& main = bench.Main();
  ASSERT_TRUE(bench.ConnectToTestLine());
  main.SetSteadyClock([&now] { return now; });
  main.AbColBitBtn4->click();  // the command goes out after the next complete reply
  bench.SendOnLine("051003091457180030920202158001010");
  ASSERT_EQ(bench.ReceivedOnLine(), "8");

  std::string sent;
  for (const char* piece : {"012003015030\r\n", "045014002000\r\n", "007068002223\r\n"}) {
    now += milliseconds(1900);
    bench.SendOnLine(piece);
    sent += piece;
    now += milliseconds(1900);
    main.AbColBitBtn4->click();
    EXPECT_TRUE(main.DESCARGANDO());
    EXPECT_EQ(main.DownloadText(), sent);
    EXPECT_TRUE(main.Gauge1->isVisible());
    EXPECT_EQ(bench.ReceivedOnLine(), "");
  }

  now += milliseconds(2100);  // stalled
  main.AbColBitBtn4->click();
  EXPECT_FALSE(main.DESCARGANDO());
  EXPECT_EQ(main.DownloadText(), "");
  bench.SendOnLine("007068002223\r\n");  // the rest of the old stream: still no command
  EXPECT_EQ(bench.ReceivedOnLine(), "");
  now += milliseconds(1000);
  bench.SendOnLine("061003091457180030920202158001010");
  EXPECT_EQ(bench.ReceivedOnLine(), "8");
  EXPECT_TRUE(main.DESCARGANDO());
  EXPECT_TRUE(bench.errors().isEmpty());
}

// A logger that empties its memory but keeps its clock: the window says so in Spanish. A logger
// that takes the setting gives no report.
TEST(MainWindowCommandGuard, ClockSettingTheLoggerDidNotTakeIsReported) {
  for (const bool keepsClock : {true, false}) {
    SCOPED_TRACE(keepsClock ? "keeps its clock" : "takes the setting");
    MainWindowBench bench;
    LoggerOptions options = FastLogger(30);
    options.recordLive = false;
    std::tm fields{};
    fields.tm_year = 112;
    fields.tm_mon = 2;
    fields.tm_mday = 15;
    fields.tm_hour = 14;
    fields.tm_min = 45;
    options.clockTime = timegm(&fields);  // 14:45:00 15/03/2012
    if (keepsClock) options.fault = LoggerFault::KeepsClock;
    bench.StartLogger(options);
    ASSERT_TRUE(bench.ConnectAndWaitForStatus());
    bench.Main().MarkClockPending();
    // The logger notes the command's characters as they come and acts on them just after.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          return bench.Logger().ReceivedCommands().size() == 13 &&
                 bench.Logger().StoredSamples().empty();
        },
        kWaitMs));
    if (!keepsClock) {
      // Two seconds on, the window shows the logger's clock on the computer's: a dozen replies
      // have gone by, the check's three among them.
      const std::time_t sentAt = std::time(nullptr);
      ASSERT_TRUE(QTest::qWaitFor(
          [&] {
            const std::time_t now = std::time(nullptr);
            std::tm local{};
            localtime_r(&now, &local);
            char text[16];
            std::strftime(text, sizeof text, "%H:%M:%S", &local);
            return now >= sentAt + 2 && bench.Main().Edit3->text() == text;
          },
          kWaitMs));
      EXPECT_TRUE(bench.errors().isEmpty()) << bench.errors().join(" | ").toStdString();
      continue;
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bench.errors().isEmpty(); }, kWaitMs));
    EXPECT_EQ(bench.errors().size(), 1);
    const QString& error = bench.errors().front();
    EXPECT_TRUE(error.startsWith("El logger no tomó la puesta en hora: su reloj marca 14:4"))
        << error.toStdString();
    EXPECT_TRUE(error.contains(" 15/03/2012 y el de la PC ")) << error.toStdString();
    EXPECT_FALSE(error.contains("memoria")) << error.toStdString();
  }
}

}  // namespace
