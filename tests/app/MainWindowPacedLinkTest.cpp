// The main window on a logger paced at 9600 baud: status replies with stray bytes on the line, and
// a download asked for again while the logger still streams an interrupted one.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "data_ui/Unit5.h"
#include "link/LoggerProtocol.h"
#include "tests/app/MainWindowBench.h"
#include "widgets/ColorButton.h"

namespace {

constexpr int kWaitMs = 15000;  // generous: the machine may be loaded

// The time and date a reply shows, as the window writes them.
QString TimeAndDate(const std::string& reply) {
  const protocol::StatusReply r = protocol::ParseStatusReply(reply);
  return QString::fromStdString(r.hour + ":" + r.minute + ":" + r.second + " " + r.day + "/" +
                                r.month + "/20" + r.year);
}

class PacedStatus : public ::testing::TestWithParam<int> {};

TEST_P(PacedStatus, DisplaysShowOnlyRepliesTheLoggerSent) {
  MainWindowBench bench;
  LoggerOptions options = FastLogger();
  options.baud = 9600;
  options.deliveryMs = GetParam();
  options.statusPeriodMs = 400;
  options.fault = LoggerFault::StrayByte;
  bench.StartLogger(options);
  TForm1& main = bench.Main();

  // Stray digits come before every third reply, in the same write: the first twelve replies bring
  // four of them. The window has read all of those characters, and no more, at this count.
  constexpr std::size_t kReplies = 12;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < kReplies; ++i) {
    characters += protocol::kStatusReplyLength + (i % 3 == 1 ? 1 : 0);
  }

  // Every display of the logger time and date made from those characters.
  QStringList shown;
  QObject::connect(main.Edit4, &QLineEdit::textChanged, [&] {
    if (main.Edit4->text().isEmpty() || bench.handledCharacters() >= characters) return;
    shown << main.Edit3->text() + " " + main.Edit4->text();
  });
  bench.ClickSwitch();
  ASSERT_TRUE(QTest::qWaitFor([&] { return bench.handledCharacters() >= characters; }, kWaitMs));
  const std::vector<std::string> sent = bench.Logger().SentReplies();
  ASSERT_GE(sent.size(), kReplies);
  QStringList genuine;
  for (const std::string& reply : sent) genuine << TimeAndDate(reply);
  for (const QString& s : shown) EXPECT_TRUE(genuine.contains(s)) << s.toStdString();
  // A stray byte costs the reply it touches at most; one more may be lost where the last of the
  // twelve and the next one arrive together.
  EXPECT_GE(shown.size(), static_cast<int>(kReplies) * 2 / 3 - 1);
  EXPECT_TRUE(bench.errors().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Delivery, PacedStatus, ::testing::Values(0, 16),
                         [](const ::testing::TestParamInfo<int>& param) {
                           return param.param == 0 ? std::string("ByteAtATime")
                                                   : std::string("Usb16msPieces");
                         });

// Switched off a little way into a download of 600 samples and on again, the operator presses
// the download button over and over while the logger still streams the first download: the
// command goes out only after the logger's next reply, and the data are whole.
TEST(PacedDownload, AskedAgainDuringAnInterruptedDownloadEndsWhole) {
  MainWindowBench bench;
  LoggerOptions options = FastLogger(600);
  options.baud = 9600;
  options.statusPeriodMs = 300;
  bench.StartLogger(options);
  TForm1& main = bench.Main();
  TForm5* data = bench.Windows().Form5;

  ASSERT_TRUE(bench.ConnectAndWaitForStatus());
  main.AbColBitBtn4->click();
  // The command goes out after the logger's next reply.
  ASSERT_TRUE(QTest::qWaitFor([&] { return main.DESCARGANDO(); }, kWaitMs));
  // Fifty of the 600 lines: the logger streams for seconds more.
  const std::size_t someLines = (2 + 50) * protocol::kLineLength;
  ASSERT_TRUE(QTest::qWaitFor([&] { return main.DownloadText().size() >= someLines; }, kWaitMs));
  ASSERT_TRUE(main.DESCARGANDO());
  bench.ClickSwitch();  // off
  bench.ClickSwitch();  // on: the logger goes on streaming the first download
  ASSERT_TRUE(main.ComPort1.Connected());
  int rowsShown = 0;
  bench.WhenShown(data, [&](QWidget*) { rowsShown = data->RowCount(); });
  for (int click = 0; click < 5; ++click) {
    main.AbColBitBtn4->click();
    EXPECT_FALSE(main.DESCARGANDO()) << "sent while the logger streams, click " << click;
    EXPECT_EQ(main.cursor().shape(), Qt::WaitCursor);
    // The next click comes after another line of the stream has been read.
    const std::size_t handled = bench.handledCharacters();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return bench.handledCharacters() >= handled + protocol::kLineLength; }, kWaitMs));
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return bench.timesShown() == 1; }, 45000))
      << "downloads sent " << bench.Logger().DownloadsSent() << ", commands "
      << bench.Logger().ReceivedCommands() << ", downloading " << main.DESCARGANDO() << ", text "
      << main.DownloadText().size() << " ending "
      << main.DownloadText().substr(main.DownloadText().size() -
                                    std::min<std::size_t>(main.DownloadText().size(), 40));
  EXPECT_EQ(bench.Logger().DownloadsSent(), 2);
  EXPECT_EQ(main.DownloadText(), bench.Logger().LastDownloadText());
  EXPECT_EQ(rowsShown, 600 + 1);
  EXPECT_TRUE(main.DATOSDESCARGADOS());
  EXPECT_TRUE(bench.errors().isEmpty()) << bench.errors().join('\n').toStdString();
}

// A second event while the clock timer runs does not restart it: the command is not delayed.
TEST(PacedClock, SecondEventDoesNotRestartTheClockTimer) {
  MainWindowBench bench;
  ASSERT_TRUE(bench.ConnectToTestLine());
  TForm1& main = bench.Main();
  // A long interval keeps the timer running through the test however slow the machine is; a
  // restart would set its remaining time back to the whole interval.
  main.Timer2->setTimerType(Qt::PreciseTimer);
  main.Timer2->setInterval(600000);
  main.MarkClockPending();
  bench.SendOnLine("0");
  ASSERT_TRUE(main.Timer2->isActive());
  const int remaining = main.Timer2->remainingTime();
  ASSERT_TRUE(QTest::qWaitFor([&] { return main.Timer2->remainingTime() < remaining; }, 10000));
  bench.SendOnLine("5");
  ASSERT_TRUE(main.Timer2->isActive());
  EXPECT_LT(main.Timer2->remainingTime(), remaining);
  // Run out now: the command goes out and the timer stops.
  main.Timer2->setInterval(0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !main.Timer2->isActive(); }, 10000));
  EXPECT_FALSE(main.HORAPENDIENTE());
  EXPECT_EQ(bench.ReceivedOnLine().substr(0, 1), "3");
}

}  // namespace
