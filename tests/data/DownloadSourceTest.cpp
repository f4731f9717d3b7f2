// Reading a download back from a file: the saved table and the raw capture give the same numbers as
// the fresh decode, and a file that is neither is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "data/DownloadSource.h"
#include "data/SampleDecoder.h"
#include "data/SavedFileFormat.h"

namespace {

// Three samples every 5 minutes from 31/12/2012 23:50:30; the second one is negative in both
// channels, the third reads far beyond the sensor's range.
const char kRaw[] =
    "012012031030\r\n050023002000\r\n007068002223\r\n002000000000\r\n015255015255\r\nA";

TEST(DownloadSourceTest, SavedTableReadsBackTheDecodedNumbersAndStamps) {
  const SampleTable decoded = SampleDecoder().Decode(kRaw);
  ASSERT_FALSE(decoded.error);
  ASSERT_EQ(decoded.samples.size(), 3u);
  EXPECT_EQ(decoded.rateMinutes, 5);

  const std::optional<LoadedDownload> loaded = RecogniseDownload(SavedFileText(decoded));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->kind, LoadedDownload::Kind::kSavedTable);
  const SampleTable& back = loaded->table;
  EXPECT_EQ(back.rows, decoded.rows);
  EXPECT_EQ(back.rateMinutes, 5);
  for (std::size_t i = 0; i < decoded.samples.size(); ++i) {
    const SampleNumbers& a = decoded.samples[i];
    const SampleNumbers& b = back.samples[i];
    EXPECT_TRUE(b.hasValues && b.hasStamp);
    // The file keeps one decimal (four significant digits beyond 1000).
    EXPECT_NEAR(b.humidity, a.humidity, std::max(0.05, std::abs(a.humidity) * 5e-4)) << i;
    EXPECT_NEAR(b.temperature, a.temperature, 0.05) << i;
    EXPECT_EQ((std::array{b.year, b.month, b.day, b.hour, b.minute, b.second}),
              (std::array{a.year, a.month, a.day, a.hour, a.minute, a.second}));
  }
  // The year carries into the next one at the third sample.
  EXPECT_EQ(decoded.samples[2].year, 2013);
  EXPECT_EQ(decoded.samples[2].month, 1);
}

TEST(DownloadSourceTest, RawCaptureIsDecodedAndKeptAsItCame) {
  const std::optional<LoadedDownload> loaded = RecogniseDownload(kRaw);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->kind, LoadedDownload::Kind::kRawDownload);
  EXPECT_EQ(loaded->rawText, kRaw);
  EXPECT_EQ(loaded->table.rows, SampleDecoder().Decode(kRaw).rows);
  // A capture cut short by a lost line is still a download: no end marker, last line partial.
  const std::optional<LoadedDownload> cut = RecogniseDownload(std::string(kRaw).substr(0, 50));
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->kind, LoadedDownload::Kind::kRawDownload);
}

TEST(DownloadSourceTest, FilesThatAreNeitherAreRefused) {
  for (const char* text :
       {"", "\r\n", "hola, mundo\r\n", "15/03/2012  14:50:30  50,0\r\n",
        "15/03/2012  14:50:30  50,0  x\r\n", "15-03-2012  14:50:30  1,0  2,0\r\n",
        "01201203103\r\n050023002000\r\n"}) {
    EXPECT_FALSE(RecogniseDownload(text)) << text;
  }
}

}  // namespace
