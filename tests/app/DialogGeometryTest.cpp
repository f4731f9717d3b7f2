#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QLabel>
#include <QRect>
#include <QWidget>
#include <memory>

#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit7.h"
#include "app/Unit8.h"
#include "window_base/FormLook.h"

namespace {

struct ControlPlace {
  const char* window;
  const char* control;
  QRect place;  // width and height of -1: only the top-left corner is fixed
};

// The window's own row (empty control name) gives its client size.
QRect ClientOf(int outerWidth, int outerHeight) {
  return QRect(QPoint(0, 0), ClientSizeForOuter(QSize(outerWidth, outerHeight)));
}

const ControlPlace kPlaces[] = {
    {"Form7", "", {0, 0, 308, 172}},
    {"Form8", "", ClientOf(544, 137)},
    {"Form2", "", ClientOf(303, 242)},
    {"Form3", "", ClientOf(430, 350)},
    {"Form7", "Label1", {39, 6, 238, 16}},
    {"Form7", "RadioGroup1", {54, 30, 208, 105}},
    {"Form7", "BitBtn1", {123, 141, 75, 25}},
    {"Form8", "Label1", {27, 6, 488, 13}},
    {"Form8", "Label2", {15, 24, 520, 13}},
    {"Form8", "Label3", {24, 42, 502, 13}},
    {"Form8", "BitBtn1", {45, 69, 135, 25}},
    {"Form8", "BitBtn2", {309, 69, 136, 25}},
    {"Form2", "Panel1", {4, 2, 281, 171}},
    {"Form2", "ProgramIcon", {4, 4, 69, 65}},
    {"Form2", "ProductName", {83, 16, -1, -1}},
    {"Form2", "Label4", {83, 28, -1, -1}},
    {"Form2", "Version", {83, 44, -1, -1}},
    {"Form2", "Label1", {112, 64, -1, -1}},
    {"Form2", "Label2", {44, 78, -1, -1}},
    {"Form2", "Copyright", {48, 100, -1, -1}},
    {"Form2", "Label6", {83, 117, -1, -1}},
    {"Form2", "Label3", {67, 133, -1, -1}},
    {"Form2", "Label5", {120, 148, -1, -1}},
    {"Form2", "Comments", {8, 104, -1, -1}},
    {"Form2", "OKButton", {108, 180, 75, 25}},
    {"Form3", "Memo1", {3, 15, 418, 295}},
};

struct Windows {
  TForm2 about;
  TForm3 help;
  TForm7 rate{[] { return false; }, [](int) {}};
  TForm8 clock{[] {}};

  QWidget* ByName(const QString& name) {
    for (QWidget* window : {static_cast<QWidget*>(&about), static_cast<QWidget*>(&help),
                            static_cast<QWidget*>(&rate), static_cast<QWidget*>(&clock)}) {
      if (window->objectName() == name) return window;
    }
    return nullptr;
  }
};

TEST(DialogGeometry, EveryControlSitsAtItsPlace) {
  Windows windows;
  for (const ControlPlace& row : kPlaces) {
    SCOPED_TRACE(std::string(row.window) + "." + row.control);
    QWidget* window = windows.ByName(QString::fromLatin1(row.window));
    ASSERT_NE(window, nullptr);
    window->show();  // as the operator opens it: the controls are made for the first showing
    if (*row.control == '\0') {
      EXPECT_EQ(window->size(), row.place.size());
      continue;
    }
    auto* control = window->findChild<QWidget*>(QString::fromLatin1(row.control));
    ASSERT_NE(control, nullptr);
    if (row.place.width() < 0) {
      EXPECT_EQ(control->pos(), row.place.topLeft());
    } else {
      EXPECT_EQ(control->geometry(), row.place);
    }
    // Every control lies inside its window's client area.
    const QRect inWindow(control->mapTo(window, QPoint(0, 0)), control->size());
    EXPECT_TRUE(window->rect().contains(inWindow)) << inWindow.x() << "," << inWindow.y() << " "
                                                   << inWindow.width() << "x" << inWindow.height();
  }
}

TEST(DialogGeometry, FixedSizeLabelsShowTheirWholeText) {
  Windows windows;
  // As the operator sees them: the labels are fitted when their window first shows.
  windows.rate.show();
  windows.clock.show();
  for (QLabel* label :
       {windows.rate.Label1, windows.clock.Label1, windows.clock.Label2, windows.clock.Label3}) {
    const qreal textWidth = QFontMetricsF(label->font()).horizontalAdvance(label->text());
    EXPECT_LE(textWidth, label->contentsRect().width()) << label->text().toStdString();
  }
}

}  // namespace
