// The main window on a logger paced at 9600 baud: status replies with stray bytes on the line, and
// a download asked for again while the logger still streams an interrupted one.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "data/Unit5.h"
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

  // Every change of the logger time and date boxes, sampled as the event loop runs.
  QStringList shown;
  QObject::connect(main.Edit4, &QLineEdit::textChanged, [&] {
    if (!main.Edit4->text().isEmpty()) shown << main.Edit3->text() + " " + main.Edit4->text();
  });
  bench.ClickSwitch();
  // Stray digits come before every third reply: twelve replies bring four of them.
  ASSERT_TRUE(QTest::qWaitFor([&] { return bench.Logger().SentReplies().size() >= 12; }, kWaitMs));
  QTest::qWait(100);
  const std::vector<std::string> sent = bench.Logger().SentReplies();
  QStringList genuine;
  for (const std::string& reply : sent) genuine << TimeAndDate(reply);
  for (const QString& s : shown) EXPECT_TRUE(genuine.contains(s)) << s.toStdString();
  // A stray byte costs the reply it touches at most.
  EXPECT_GE(shown.size(), static_cast<int>(sent.size()) * 2 / 3 - 1);
  EXPECT_TRUE(bench.errors().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Delivery, PacedStatus, ::testing::Values(0, 16),
                         [](const ::testing::TestParamInfo<int>& param) {
                           return param.param == 0 ? std::string("ByteAtATime")
                                                   : std::string("Usb16msPieces");
                         });

// Switched off two seconds into a download of 600 samples and on again, the operator presses
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
  ASSERT_TRUE(main.DESCARGANDO());
  QTest::qWait(2000);
  bench.ClickSwitch();  // off
  bench.ClickSwitch();  // on: the logger goes on streaming the first download
  ASSERT_TRUE(main.ComPort1.Connected());
  int rowsShown = 0;
  bench.WhenShown(data, [&](QWidget*) { rowsShown = data->RowCount(); });
  for (int click = 0; click < 5; ++click) {
    main.AbColBitBtn4->click();
    EXPECT_FALSE(main.DESCARGANDO()) << "sent while the logger streams, click " << click;
    EXPECT_EQ(main.cursor().shape(), Qt::WaitCursor);
    QTest::qWait(150);
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return bench.timesShown() == 1; }, 45000));
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
  main.MarkClockPending();
  bench.SendOnLine("0");
  ASSERT_TRUE(main.Timer2->isActive());
  QTest::qWait(60);
  bench.SendOnLine("5");
  EXPECT_LE(main.Timer2->remainingTime(), 50);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !main.Timer2->isActive(); }, 1000));
  EXPECT_FALSE(main.HORAPENDIENTE());
}

}  // namespace
