// Number texts and time stamp positions: halves of the exact binary value, signs, very large and
// very small values, and wall-clock carries across months and years.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "analysis/LimitRange.h"
#include "analysis/RoundedNumber.h"
#include "analysis/StampText.h"

using analysis::RoundedText;

TEST(RoundedNumberTest, HalvesGoAwayFromZeroOnTheExactValue) {
  EXPECT_EQ(RoundedText(0.25, 1), "0.3");  // exactly a half
  EXPECT_EQ(RoundedText(-0.25, 1), "-0.3");
  EXPECT_EQ(RoundedText(0.35, 1), "0.3");  // stored as 0.34999999999999997...
  EXPECT_EQ(RoundedText(2.5, 0), "3");
  EXPECT_EQ(RoundedText(1.005, 2), "1.00");  // stored just below 1.005
  EXPECT_EQ(RoundedText(9.96, 1), "10.0");   // carry into a new digit
  EXPECT_EQ(RoundedText(23.5, 1, ','), "23,5");
}

TEST(RoundedNumberTest, NoNegativeZeroNoExponentAndNothingForNonNumbers) {
  EXPECT_EQ(RoundedText(-0.04, 1), "0.0");
  EXPECT_EQ(RoundedText(-0.0, 2), "0.00");
  EXPECT_EQ(RoundedText(1e-300, 2), "0.00");
  EXPECT_EQ(RoundedText(0.05, 1), "0.1");  // stored just above 0.05
  EXPECT_EQ(RoundedText(25624.5, 1), "25624.5");
  EXPECT_EQ(RoundedText(1e20, 1), "100000000000000000000.0");
  EXPECT_EQ(RoundedText(-123456789012.345, 2), "-123456789012.35");
  EXPECT_EQ(RoundedText(std::numeric_limits<double>::quiet_NaN(), 1), "");
  EXPECT_EQ(RoundedText(-std::numeric_limits<double>::infinity(), 1), "");
}

TEST(StampTextTest, WallClockSecondsCarryLikeACalendar) {
  using analysis::Stamp;
  using analysis::WallClockSeconds;
  EXPECT_EQ(WallClockSeconds(Stamp{1970, 1, 1, 0, 0, 0}), 0);
  EXPECT_EQ(
      WallClockSeconds(Stamp{2000, 3, 1, 0, 0, 0}) - WallClockSeconds(Stamp{2000, 2, 28, 0, 0, 0}),
      2 * 86400);  // 2000 is a leap year
  EXPECT_EQ(
      WallClockSeconds(Stamp{2100, 3, 1, 0, 0, 0}) - WallClockSeconds(Stamp{2100, 2, 28, 0, 0, 0}),
      86400);  // 2100 is not
  // Fields beyond their range carry: minute 75, month 13, day 0.
  EXPECT_EQ(WallClockSeconds(Stamp{2012, 3, 15, 14, 75, 0}),
            WallClockSeconds(Stamp{2012, 3, 15, 15, 15, 0}));
  EXPECT_EQ(WallClockSeconds(Stamp{2012, 13, 1, 0, 0, 0}),
            WallClockSeconds(Stamp{2013, 1, 1, 0, 0, 0}));
  EXPECT_EQ(WallClockSeconds(Stamp{2013, 1, 0, 0, 0, 0}),
            WallClockSeconds(Stamp{2012, 12, 31, 0, 0, 0}));
  EXPECT_EQ(analysis::IsoText(Stamp{2100, 1, 1, 0, 0, 30}), "2100-01-01T00:00:30");
}

TEST(LimitRangeTest, ReadsOpenSidesCommasAndRefusesNonsense) {
  using analysis::ParseLimitRange;
  const auto both = ParseLimitRange("-5:30,5", kTemperatureRange);
  ASSERT_TRUE(both);
  EXPECT_EQ(*both->low, -5.0);
  EXPECT_EQ(*both->high, 30.5);
  const auto highOnly = ParseLimitRange(":80", kHumidityRange);
  ASSERT_TRUE(highOnly);
  EXPECT_FALSE(highOnly->low);
  EXPECT_EQ(*highOnly->high, 80.0);
  for (const char* bad : {"", ":", "20", "30:20", "a:5", "1e3:", "nan:1", "1:2:3", "inf:"})
    EXPECT_FALSE(ParseLimitRange(bad, kTemperatureRange)) << bad;
}

// Under a locale whose decimal mark is a comma (the operators' own), a point and a comma both
// read, and limits no reading can reach or that are reversed are told apart.
TEST(LimitRangeTest, ReadsPointAndCommaUnderACommaLocaleAndRefusesWhatTheSensorCannotGive) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "es_ES.UTF-8");  // stays "C" where that locale is missing
  using analysis::LimitProblem;
  using analysis::ParseLimitRange;
  for (const char* text : {"20,5:25", "20.5:25", " 20.5 : 25,0 "}) {
    const auto limits = ParseLimitRange(text, kTemperatureRange);
    ASSERT_TRUE(limits) << text;
    EXPECT_EQ(*limits->low, 20.5) << text;
    EXPECT_EQ(*limits->high, 25.0) << text;
  }
  const struct {
    const char* text;
    SensorRange range;
    LimitProblem problem;
  } refused[] = {
      {"-25,1:", kHumidityRange, LimitProblem::kBeyondSensor},
      {":140,2", kHumidityRange, LimitProblem::kBeyondSensor},
      {"-50,1:20", kTemperatureRange, LimitProblem::kBeyondSensor},
      {"0:359.6", kTemperatureRange, LimitProblem::kBeyondSensor},
      {"30:20", kTemperatureRange, LimitProblem::kReversed},
      {"1.5.0:", kTemperatureRange, LimitProblem::kUnreadable},
  };
  for (const auto& c : refused) {
    LimitProblem problem = LimitProblem::kNone;
    EXPECT_FALSE(ParseLimitRange(c.text, c.range, &problem)) << c.text;
    EXPECT_EQ(problem, c.problem) << c.text;
  }
  // The edges themselves are readings the sensor gives.
  EXPECT_TRUE(ParseLimitRange("-25:140,1", kHumidityRange));
  EXPECT_TRUE(ParseLimitRange("-50:359,5", kTemperatureRange));
  std::setlocale(LC_ALL, before.c_str());
}
