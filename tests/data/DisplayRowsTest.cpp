// Rows written from samples' numbers read exactly like the decoder's rows for the same download.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "data/DisplayRows.h"
#include "data/SampleDecoder.h"

namespace {

std::string Fields(int a, int b, int c, int d) {
  char line[64];
  std::snprintf(line, sizeof line, "%03d%03d%03d%03d", a, b, c, d);
  return line;
}

TEST(DisplayRowsTest, RowsFromNumbersMatchTheDecodedDownload) {
  // 31/12/2099 23:50:07 every 5 minutes: the stamps cross midnight, the month and the year past 99
  // ("20100"); readings at both ends and a negative temperature; the last line cannot be read, so
  // its row has a stamp and no channel texts.
  std::string text = Fields(99, 12, 31, 7) + "\r\n" + Fields(50, 23, 2, 0) + "\r\n";
  const int readings[][4] = {{0, 0, 0, 0}, {7, 68, 2, 223}, {255, 255, 255, 255}, {3, 12, 0, 1}};
  for (const auto& r : readings) text += Fields(r[0], r[1], r[2], r[3]) + "\r\n";
  text += "12x456789012\r\nA";
  const SampleTable decoded = SampleDecoder().Decode(text);
  ASSERT_EQ(decoded.rows.size(), 6u);
  ASSERT_TRUE(decoded.samples[4].hasStamp);
  ASSERT_FALSE(decoded.samples[4].hasValues);

  SampleTable rebuilt;
  rebuilt.samples = decoded.samples;
  FillDisplayRows(rebuilt);
  EXPECT_EQ(rebuilt.rows, decoded.rows);
  EXPECT_EQ(rebuilt.rows[4][1], "01/01/20100");

  // No samples: the heading row alone.
  SampleTable empty;
  FillDisplayRows(empty);
  ASSERT_EQ(empty.rows.size(), 1u);
  EXPECT_EQ(empty.rows[0][1], " FECHA:");
}

}  // namespace
