// What a status reply puts on the main window, sent to it on a line as the logger sends it.
#include <gtest/gtest.h>

#include <ostream>

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <string>

#include "tests/app/MainWindowBench.h"
#include "widgets/LedBar.h"
#include "widgets/RadioGroup.h"
#include "widgets/ValueIndicator.h"

namespace {

const QColor kLime(0x00, 0xFF, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kWhite(0xFF, 0xFF, 0xFF);

// A reply of known content, in groups: 05 10 03 09 14 57 180 0 3 09 202 02 158 001 010.
std::string Reply(const std::string& battery = "180", const std::string& rate = "3",
                  const std::string& memory = "001010") {
  return "05"
         "10"
         "03"
         "09"
         "14"
         "57" +
         battery + "0" + rate +
         "09"
         "202"
         "02"
         "158" +
         memory;
}

struct BatteryCase {
  std::string reading;
  double bar;
  QColor barColor, fontColor;
  QString caption1, caption2;
};

// What ctest lists beside the case's name: the reading, not the object's bytes.
void PrintTo(const BatteryCase& c, std::ostream* out) {
  *out << "battery reading " << c.reading;
}

class BatteryDisplay : public ::testing::TestWithParam<BatteryCase> {};

TEST_P(BatteryDisplay, BarColoursAndCaptions) {
  const BatteryCase& c = GetParam();
  MainWindowBench bench;
  ASSERT_TRUE(bench.ConnectToTestLine());
  TForm1& main = bench.Main();
  bench.SendOnLine(Reply(c.reading));
  EXPECT_NEAR(main.AbVBar1->value(), c.bar, 0.05);
  EXPECT_EQ(main.AbVBar1->barColor(), c.barColor);
  EXPECT_EQ(main.AbVBar1->fontColor(), c.fontColor);
  EXPECT_EQ(main.AbVBar1->caption1(), c.caption1);
  EXPECT_EQ(main.AbVBar1->caption2(), c.caption2);
}

INSTANTIATE_TEST_SUITE_P(
    Readings, BatteryDisplay,
    ::testing::Values(BatteryCase{"180", 81.8, kLime, kLime, "NIVEL DE BATERIA:", "\"OK\""},
                      BatteryCase{"230", 100.0, kLime, kLime, "NIVEL DE BATERIA:", "\"OK\""},
                      BatteryCase{"168", 76.4, kLime, kLime, "NIVEL DE BATERIA:", "\"OK\""},
                      BatteryCase{"167", 75.9, kRed, kWhite, "REEMPLAZAR PILAS", "4 PILAS \"AA\""},
                      BatteryCase{"000", 0.0, kRed, kWhite, "REEMPLAZAR PILAS", "4 PILAS \"AA\""}),
    // Named by the battery reading, so that a failure says which one: "Readings/...Reading167".
    [](const ::testing::TestParamInfo<BatteryCase>& test) {
      return "Reading" + test.param.reading;
    });

TEST(StatusDisplay, ReplyIn20And13CharactersFillsEveryDisplayOnce) {
  MainWindowBench bench;
  ASSERT_TRUE(bench.ConnectToTestLine());
  TForm1& main = bench.Main();
  // In two pieces, as the line may deliver it: decoded once the 33rd character is in.
  const std::string reply = Reply();
  bench.SendOnLine(reply.substr(0, 20));
  EXPECT_EQ(main.Edit3->text(), "");  // emptied by the switch, not yet filled
  EXPECT_EQ(main.Edit1->text(), "0000");
  bench.SendOnLine(reply.substr(20));
  EXPECT_EQ(main.Edit3->text(), "10:05:57");
  EXPECT_EQ(main.Edit4->text(), "03/09/2014");
  EXPECT_EQ(main.Edit1->text(), "65");
  EXPECT_EQ(main.RadioGroup1->itemIndex(), 2);  // "10 MINUTOS"
  EXPECT_NEAR(main.AbValueInd1->value(), 76.048, 0.001);
  EXPECT_EQ(main.AbValueInd1->valueText(), "76,0");
  EXPECT_NEAR(main.AbValueInd2->value(), 17.0, 0.001);
  // Nothing of the reply is left over: the next one is read from its first character.
  bench.SendOnLine(Reply("180", "1", "000006"));
  EXPECT_EQ(main.Edit3->text(), "10:05:57");
  EXPECT_EQ(main.Edit1->text(), "0");
  EXPECT_EQ(main.RadioGroup1->itemIndex(), 0);
}

TEST(StatusDisplay, MemoryTextsAndUnknownRateCode) {
  MainWindowBench bench;
  ASSERT_TRUE(bench.ConnectToTestLine());
  TForm1& main = bench.Main();
  bench.SendOnLine(Reply("180", "3", "000000"));
  EXPECT_EQ(main.Edit1->text(), "-1,5");
  // Rate codes outside 1..6 leave the shown rate alone.
  for (const char* code : {"0", "7", "9"}) {
    bench.SendOnLine(Reply("180", code, "000007"));
    EXPECT_EQ(main.Edit1->text(), "0,25");
    EXPECT_EQ(main.RadioGroup1->itemIndex(), 2) << code;
  }
}

TEST(StatusDisplay, ClickOnRateDisplayIsUndoneByNextReply) {
  MainWindowBench bench;
  ASSERT_TRUE(bench.ConnectToTestLine());
  TForm1& main = bench.Main();
  bench.SendOnLine(Reply());
  QTest::mouseClick(main.RadioGroup1->item(5), Qt::LeftButton);
  EXPECT_EQ(main.RadioGroup1->itemIndex(), 5);
  bench.SendOnLine(Reply());
  EXPECT_EQ(main.RadioGroup1->itemIndex(), 2);
}

TEST(StatusDisplay, ReplyWithNonDigitIsDroppedWithoutReport) {
  MainWindowBench bench;
  ASSERT_TRUE(bench.ConnectToTestLine());
  TForm1& main = bench.Main();
  bench.SendOnLine(Reply());
  std::string noisy = Reply("1x0", "1", "000006");
  bench.SendOnLine(noisy);
  EXPECT_TRUE(bench.errors().isEmpty());
  // The boxes were emptied before the reply was read; nothing else changed.
  EXPECT_EQ(main.Edit3->text(), "");
  EXPECT_EQ(main.Edit1->text(), "65");
  EXPECT_EQ(main.RadioGroup1->itemIndex(), 2);
  // The next good reply is read as usual.
  bench.SendOnLine(Reply("180", "1", "000006"));
  EXPECT_EQ(main.Edit3->text(), "10:05:57");
  EXPECT_EQ(main.Edit1->text(), "0");
  EXPECT_EQ(main.RadioGroup1->itemIndex(), 0);
}

}  // namespace
