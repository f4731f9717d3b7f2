#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/LoggerProtocol.h"
#include "link/ReplyInterpreter.h"

namespace {

using protocol::EConvertError;

std::string Joined(const std::vector<std::string>& writes) {
  std::string all;
  for (const std::string& w : writes) all += w;
  return all;
}

std::tm Stamp(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(RateCommandTest, SkipsTheSetClockCharacter) {
  const char* const expected[] = {"1", "2", "4", "5", "6", "7"};
  for (int choice = 0; choice < protocol::kRateCount; ++choice) {
    EXPECT_EQ(protocol::RateCommand(choice), expected[choice]) << choice;
  }
  EXPECT_THROW(protocol::RateCommand(-1), std::out_of_range);
  EXPECT_THROW(protocol::RateCommand(6), std::out_of_range);
}

TEST(SetClockWritesTest, ThirteenOneCharacterWritesInHourToYearOrder) {
  struct Case {
    std::tm time;
    const char* line;
  };
  const Case cases[] = {
      {Stamp(2099, 12, 31, 23, 59, 59), "3235959311299"},
      {Stamp(2009, 3, 9, 7, 5, 3), "3070503090309"},
      {Stamp(2000, 1, 1, 0, 0, 0), "3000000010100"},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> writes = protocol::SetClockWrites(c.time);
    ASSERT_EQ(writes.size(), 13u);
    for (const std::string& w : writes) EXPECT_EQ(w.size(), 1u);
    EXPECT_EQ(Joined(writes), c.line);
  }
}

TEST(ConversionErrorTest, TextsNameTheOffendingText) {
  EXPECT_STREQ(protocol::NotAnInteger("x").what(), "'x' is not a valid integer value");
  EXPECT_STREQ(protocol::NotAnInteger("").what(), "'' is not a valid integer value");
  EXPECT_STREQ(protocol::NotAFloat("1,2,3").what(), "'1,2,3' is not a valid floating point value");
  try {
    protocol::DigitValue('/');
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'/' is not a valid integer value");
  }
}

// Groups: minute hour day month year second battery unused rate ch1hi ch1lo ch2hi ch2lo memhi
// memlo.
constexpr const char* kTenMinuteReply =
    "05"
    "10"
    "03"
    "09"
    "14"
    "57"
    "180"
    "0"
    "3"
    "09"
    "202"
    "02"
    "158"
    "001"
    "010";

TEST(ParseStatusReplyTest, ReadsEveryFieldOfATenMinuteReply) {
  const protocol::StatusReply r = protocol::ParseStatusReply(kTenMinuteReply);
  EXPECT_EQ(r.minute, "05");
  EXPECT_EQ(r.hour, "10");
  EXPECT_EQ(r.day, "03");
  EXPECT_EQ(r.month, "09");
  EXPECT_EQ(r.year, "14");
  EXPECT_EQ(r.second, "57");
  EXPECT_EQ(r.battery, 180);
  EXPECT_EQ(r.rateCode, 3);
  EXPECT_EQ(r.raw1, 9 * 256 + 202);
  EXPECT_EQ(r.raw2, 670);
  EXPECT_EQ(r.memoryPointer, 266);
  EXPECT_DOUBLE_EQ(r.usedMemory(), 65);
}

TEST(ParseStatusReplyTest, AnyNonDigitIsAConversionErrorAndLengthIsChecked) {
  for (int position = 0; position < 33; ++position) {
    std::string reply = kTenMinuteReply;
    reply[position] = position == 15 ? ' ' : 'A';  // position 16 is converted too
    EXPECT_THROW(protocol::ParseStatusReply(reply), EConvertError) << position;
  }
  EXPECT_THROW(protocol::ParseStatusReply(std::string(32, '0')), std::invalid_argument);
  EXPECT_THROW(protocol::ParseStatusReply(std::string(34, '0')), std::invalid_argument);
}

TEST(GeneralNumberTextTest, ShortestFormWithDecimalComma) {
  const std::pair<double, const char*> cases[] = {
      {65, "65"},
      {65.25, "65,25"},
      {-1.5, "-1,5"},
      {0.25, "0,25"},
      {0, "0"},
      {2000, "2000"},
      {16382.25, "16382,25"},
      {0.1, "0,1"},
      {1.0 / 3, "0,333333333333333"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1.5e-7, "1,5E-7"},
      {0.00001, "0,00001"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(protocol::GeneralNumberText(value), text);
}

}  // namespace
