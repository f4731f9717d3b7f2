#include "widgets/DecimalText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Case {
  double value;
  int decimals;
  const char* expected;
};

TEST(DecimalText, RoundsHalfAwayFromZeroOnDecimalDigits) {
  const Case cases[] = {
      {76.048, 1, "76,0"},  {-1.25, 1, "-1,3"},
      {1.25, 1, "1,3"},     {0.04, 1, "0,0"},
      {0.05, 1, "0,1"},     {-0.05, 1, "-0,1"},
      {0.15, 1, "0,2"},     {2.675, 1, "2,7"},
      {99.95, 1, "100,0"},  {9.96, 1, "10,0"},
      {0.0, 1, "0,0"},      {1234.56, 1, "1234,6"},
      {50.0, 1, "50,0"},    {-41.3, 1, "-41,3"},
      {75.9, 0, "76"},      {0.5, 0, "1"},
      {0.4, 0, "0"},        {99.5, 0, "100"},
      {100.0, 0, "100"},    {1e20, 0, "100000000000000000000"},
      {0.000001, 1, "0,0"}, {123456789.06, 1, "123456789,1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatDecimal(c.value, c.decimals), c.expected) << c.value << " / " << c.decimals;
}

TEST(DecimalText, NeverShowsNegativeZero) {
  EXPECT_EQ(FormatDecimal(-0.04, 1), "0,0");
  EXPECT_EQ(FormatDecimal(-0.0, 1), "0,0");
  EXPECT_EQ(FormatDecimal(-0.4, 0), "0");
}

TEST(DecimalText, NonFiniteValuesGiveDashes) {
  EXPECT_EQ(FormatDecimal(std::numeric_limits<double>::quiet_NaN(), 1), "---");
  EXPECT_EQ(FormatDecimal(std::numeric_limits<double>::infinity(), 1), "---");
  EXPECT_EQ(FormatDecimal(-std::numeric_limits<double>::infinity(), 0), "---");
}

TEST(DecimalText, HonoursSeparator) {
  EXPECT_EQ(FormatDecimal(3.14159, 2, '.'), "3.14");
}

}  // namespace
