#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/Unit8.h"

namespace {

struct ClockDialogBench {
  int pendingMarks = 0;
  TForm8 dialog{[this] { ++pendingMarks; }};
};

TEST(ClockDialog, ConfirmMarksPendingAndCloses) {
  ClockDialogBench bench;
  QTimer::singleShot(0, &bench.dialog,
                     [&] { QTest::mouseClick(bench.dialog.BitBtn1, Qt::LeftButton); });
  bench.dialog.exec();
  EXPECT_EQ(bench.pendingMarks, 1);
  EXPECT_FALSE(bench.dialog.isVisible());
}

TEST(ClockDialog, GoingBackOrClosingChangesNothing) {
  ClockDialogBench bench;
  QTimer::singleShot(0, &bench.dialog,
                     [&] { QTest::mouseClick(bench.dialog.BitBtn2, Qt::LeftButton); });
  bench.dialog.exec();
  EXPECT_FALSE(bench.dialog.isVisible());

  QTimer::singleShot(0, &bench.dialog, [&] { bench.dialog.close(); });
  bench.dialog.exec();
  EXPECT_FALSE(bench.dialog.isVisible());
  EXPECT_EQ(bench.pendingMarks, 0);
}

TEST(ClockDialog, GoBackHasTheFocusSoEnterChangesNothing) {
  ClockDialogBench bench;
  QWidget* focusOnOpen = nullptr;
  QTimer::singleShot(0, &bench.dialog, [&] {
    focusOnOpen = bench.dialog.focusWidget();
    QTest::keyClick(bench.dialog.focusWidget(), Qt::Key_Return);
    // If Enter did not close the dialog, leave anyway so the test ends.
    QTimer::singleShot(0, &bench.dialog, [&] { bench.dialog.close(); });
  });
  bench.dialog.exec();
  EXPECT_EQ(focusOnOpen, bench.dialog.BitBtn2);
  EXPECT_EQ(bench.pendingMarks, 0);
  EXPECT_EQ(bench.dialog.BitBtn2->nextInFocusChain(), bench.dialog.BitBtn1);
}

}  // namespace
