#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Unit7.h"
#include "link/LoggerProtocol.h"
#include "window_base/ErrorReport.h"

namespace {

// A rate dialog wired to a fake connection state and a record of what was written.
struct RateDialogBench {
  bool connected = true;
  bool failWrites = false;
  std::vector<std::string> sent;
  TForm7 dialog{[this] { return connected; },
                [this](int choice) {
                  if (failWrites) throw std::runtime_error("Write error");
                  sent.push_back(protocol::RateCommand(choice));
                }};

  void Click(int item) { QTest::mouseClick(dialog.Item(item), Qt::LeftButton); }
};

const int k1Minute = 0, k5Minutes = 1, k10Minutes = 2, k60Minutes = 5;

TEST(RateDialog, EachDifferentRateSendsItsCommandOnce) {
  RateDialogBench bench;
  bench.dialog.show();
  bench.Click(k10Minutes);
  bench.Click(k10Minutes);  // already selected: nothing new
  bench.Click(k5Minutes);
  bench.Click(k60Minutes);
  bench.Click(k1Minute);
  EXPECT_EQ(bench.sent, (std::vector<std::string>{"4", "2", "7", "1"}));
  EXPECT_TRUE(bench.dialog.isVisible());
}

TEST(RateDialog, KeyboardSelectionSendsToo) {
  RateDialogBench bench;
  bench.dialog.show();
  // Arrow keys move among the items of the active window only.
  bench.dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&bench.dialog));
  bench.Click(k1Minute);
  bench.dialog.Item(k1Minute)->setFocus();
  QTest::keyClick(bench.dialog.Item(k1Minute), Qt::Key_Down);
  EXPECT_EQ(bench.dialog.ItemIndex(), k5Minutes);
  EXPECT_EQ(bench.sent, (std::vector<std::string>{"1", "2"}));
}

TEST(RateDialog, DisconnectedOnlyMovesTheSelection) {
  RateDialogBench bench;
  bench.connected = false;
  bench.dialog.show();
  bench.Click(k10Minutes);
  bench.Click(k60Minutes);
  EXPECT_EQ(bench.dialog.ItemIndex(), k60Minutes);
  EXPECT_TRUE(bench.sent.empty());
}

TEST(RateDialog, EveryShowingStartsWithoutSelectionAndOkCloses) {
  RateDialogBench bench;
  bool checkedEmptyOnOpen = false;
  for (int opening = 0; opening < 2; ++opening) {
    QTimer::singleShot(0, &bench.dialog, [&] {
      checkedEmptyOnOpen = bench.dialog.ItemIndex() == -1;
      bench.Click(k10Minutes);
      QTest::mouseClick(bench.dialog.BitBtn1, Qt::LeftButton);
    });
    bench.dialog.exec();
    EXPECT_TRUE(checkedEmptyOnOpen) << "opening " << opening;
    EXPECT_FALSE(bench.dialog.isVisible());
  }
  // The same rate in the second opening is a new selection, so it is sent again.
  EXPECT_EQ(bench.sent, (std::vector<std::string>{"4", "4"}));
}

TEST(RateDialog, FailedWriteIsReportedDialogStaysOpenAndRateCanBeRetried) {
  std::vector<QString> reports;
  SetErrorReportObserver([&](const QString& text) { reports.push_back(text); }, false);
  RateDialogBench bench;
  bench.dialog.show();
  bench.failWrites = true;
  bench.Click(k10Minutes);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], QStringLiteral("Write error."));
  EXPECT_TRUE(bench.dialog.isVisible());
  // The rate that did not go out is not shown as chosen; clicking it again retries.
  EXPECT_EQ(bench.dialog.ItemIndex(), -1);
  bench.failWrites = false;
  bench.Click(k10Minutes);
  EXPECT_EQ(bench.sent, (std::vector<std::string>{"4"}));
  EXPECT_EQ(reports.size(), 1u);
  SetErrorReportObserver({});
}

}  // namespace
