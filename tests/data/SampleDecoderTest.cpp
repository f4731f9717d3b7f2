#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/ChannelValueText.h"
#include "data/DownloadLines.h"
#include "data/ImpossibleReadings.h"
#include "data/SampleDecoder.h"
#include "data/SavedFileFormat.h"
#include "data/StartTexts.h"

namespace {

// Twelve characters of four three-digit fields.
std::string Fields(int a, int b, int c, int d) {
  char line[64];
  std::snprintf(line, sizeof line, "%03d%03d%03d%03d", a, b, c, d);
  return line;
}

std::string HeaderA(int year, int month, int day, int second) {
  return Fields(year, month, day, second);
}
std::string HeaderB(int minute, int hour, int rateCode) {
  return Fields(minute, hour, rateCode, 0);
}

// A download text as the interpreter keeps it: CR LF lines and the end marker appended.
std::string Download(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text + "A";
}

std::string WithSamples(const std::string& headerA, const std::string& headerB, int samples) {
  std::vector<std::string> lines = {headerA, headerB};
  for (int i = 0; i < samples; ++i) lines.push_back(Fields(7, 68, 2, 223));
  return Download(lines);
}

TEST(DownloadLinesTest, EveryLineBreakFormEndsALine) {
  using Lines = std::vector<std::string_view>;
  const std::pair<const char*, Lines> cases[] = {
      {"", {}},
      {"A", {"A"}},
      {"ab\r\ncd\r\nA", {"ab", "cd", "A"}},
      {"ab\r\n", {"ab"}},
      {"ab\rcd\nA", {"ab", "cd", "A"}},
      {"ab\n\rcd", {"ab", "", "cd"}},
      {"\r\n\r\n", {"", ""}},
      {"ab\r\r\ncd", {"ab", "", "cd"}},
  };
  for (const auto& [text, lines] : cases) {
    EXPECT_EQ(SplitDownloadLines(text), lines) << text;
    EXPECT_EQ(CountDownloadLines(text), static_cast<int>(lines.size())) << text;
  }
}

TEST(SampleDecoderTest, ThreeSamplesEveryFiveMinutesGetTheirStampsTextsAndHeadings) {
  SampleDecoder decoder;
  const std::string text =
      Download({"012003015030", "045014002000", "007068002223", "007068002223", "007068002223"});
  const SampleTable t = decoder.Decode(text);
  EXPECT_FALSE(t.error.has_value());
  EXPECT_EQ(StartDateText(t), "15/03/2012");
  EXPECT_EQ(StartTimeText(t), "14:45:30");
  EXPECT_EQ(StartRateText(t), "CADA 5 MINUTOS");
  EXPECT_EQ(t.start, (LoggerStart{12, 3, 15, 14, 45, 30}));
  EXPECT_EQ(t.rateMinutes, 5);
  ASSERT_EQ(t.rows.size(), 4u);
  EXPECT_EQ(t.rows[0], (SampleTable::Row{"", " FECHA:", " HORA:", "CANAL 1", "CANAL 2"}));
  EXPECT_EQ(t.rows[1], (SampleTable::Row{"1", "15/03/2012", "14:50:30", "50,0", "23,5"}));
  EXPECT_EQ(t.rows[2], (SampleTable::Row{"2", "15/03/2012", "14:55:30", "50,0", "23,5"}));
  EXPECT_EQ(t.rows[3], (SampleTable::Row{"3", "15/03/2012", "15:00:30", "50,0", "23,5"}));
  EXPECT_EQ(SavedFileLine(t.rows[1]), "15/03/2012  14:50:30  50,0  23,5\r\n");
}

struct StampCase {
  const char* name;
  int rateCode, year, month, day, hour, minute, second;
  int row;
  const char* date;
  const char* time;
};

TEST(TimeStampTest, CarriesAndMonthLengths) {
  const StampCase cases[] = {
      {"minute to year, 1 min", 1, 11, 12, 31, 23, 59, 5, 1, "01/01/2012", "00:00:05"},
      {"minute to year, 5 min", 2, 11, 12, 31, 23, 55, 0, 1, "01/01/2012", "00:00:00"},
      {"leap February", 6, 12, 2, 28, 23, 30, 0, 1, "29/02/2012", "00:30:00"},
      {"common February", 6, 11, 2, 28, 23, 30, 0, 1, "01/03/2011", "00:30:00"},
      {"year 00 is leap", 6, 0, 2, 28, 23, 0, 0, 1, "29/02/2000", "00:00:00"},
      {"29 Feb ends", 6, 0, 2, 29, 23, 0, 0, 1, "01/03/2000", "00:00:00"},
      {"30-day month", 4, 12, 4, 30, 23, 45, 0, 1, "01/05/2012", "00:00:00"},
      {"31-day month", 5, 12, 1, 31, 23, 30, 0, 1, "01/02/2012", "00:00:00"},
      {"no early carry in 31-day month", 5, 12, 1, 30, 23, 30, 0, 1, "31/01/2012", "00:00:00"},
      {"September", 3, 12, 9, 30, 23, 50, 0, 1, "01/10/2012", "00:00:00"},
      {"December", 3, 12, 12, 31, 23, 50, 0, 1, "01/01/2013", "00:00:00"},
      {"hour carry only", 2, 12, 3, 15, 9, 57, 1, 1, "15/03/2012", "10:02:01"},
      {"minute 57 at 5 min, row 2", 2, 12, 3, 15, 9, 57, 1, 2, "15/03/2012", "10:07:01"},
      {"minute 45 at 30 min", 5, 12, 3, 15, 9, 45, 1, 1, "15/03/2012", "10:15:01"},
      {"15 min, row 4", 4, 12, 3, 15, 9, 0, 1, 4, "15/03/2012", "10:00:01"},
      {"60 min keeps minute", 6, 12, 3, 15, 9, 17, 1, 3, "15/03/2012", "12:17:01"},
      {"1 min, row 61", 1, 12, 3, 15, 9, 0, 9, 61, "15/03/2012", "10:01:09"},
      {"single-digit year", 2, 9, 3, 15, 9, 0, 0, 1, "15/03/2009", "09:05:00"},
      {"year 99 to 100", 1, 99, 12, 31, 23, 59, 0, 1, "01/01/20100", "00:00:00"},
      // Header values are used unchecked: a minute above 59 never reaches 60 at one minute...
      {"1 min never carries above 60", 1, 12, 3, 15, 9, 75, 0, 1, "15/03/2012", "09:76:00"},
      // ...while the other rates take 60 off.
      {"5 min carries above 60", 2, 12, 3, 15, 9, 75, 0, 1, "15/03/2012", "10:20:00"},
      {"hour above 23 never carries", 6, 12, 3, 15, 25, 0, 0, 1, "15/03/2012", "26:00:00"},
      {"day past month end carries at once", 2, 12, 4, 31, 9, 0, 0, 1, "01/05/2012", "09:05:00"},
  };
  for (const StampCase& c : cases) {
    SampleDecoder decoder;
    const std::string text = WithSamples(HeaderA(c.year, c.month, c.day, c.second),
                                         HeaderB(c.minute, c.hour, c.rateCode), c.row);
    const SampleTable t = decoder.Decode(text);
    ASSERT_FALSE(t.error.has_value()) << c.name;
    ASSERT_EQ(t.rows.size(), static_cast<std::size_t>(c.row + 1)) << c.name;
    EXPECT_EQ(t.rows[c.row][1], c.date) << c.name;
    EXPECT_EQ(t.rows[c.row][2], c.time) << c.name;
  }
}

TEST(TimeStampTest, AllSixRatesAndTheirTexts) {
  const char* const texts[] = {"CADA 1 MINUTO",   "CADA 5 MINUTOS",  "CADA 10 MINUTOS",
                               "CADA 15 MINUTOS", "CADA 30 MINUTOS", "CADA 60 MINUTOS"};
  const char* const secondRow[] = {"00:02:00", "00:10:00", "00:20:00",
                                   "00:30:00", "01:00:00", "02:00:00"};
  for (int code = 1; code <= 6; ++code) {
    SampleDecoder decoder;
    const SampleTable t =
        decoder.Decode(WithSamples(HeaderA(12, 3, 15, 0), HeaderB(0, 0, code), 2));
    EXPECT_EQ(StartRateText(t), texts[code - 1]);
    EXPECT_EQ(t.rows[2][2], secondRow[code - 1]) << code;
  }
}

TEST(TimeStampTest, MonthLengthCellIsKeptBetweenDecodes) {
  // Month 0 leaves the cell as the previous decode left it.
  const std::string badMonth = WithSamples(HeaderA(12, 0, 31, 0), HeaderB(59, 23, 1), 1);
  SampleDecoder fresh;
  EXPECT_EQ(fresh.Decode(badMonth).rows[1][1], "32/00/2012");  // cell 0: no month carry
  EXPECT_EQ(fresh.monthLength(), 0);

  SampleDecoder used;
  used.Decode(WithSamples(HeaderA(12, 3, 15, 0), HeaderB(0, 0, 1), 1));
  EXPECT_EQ(used.monthLength(), 31);
  EXPECT_EQ(used.Decode(badMonth).rows[1][1], "01/01/2012");  // 32 is one past 31
}

TEST(SampleDecoderTest, UnknownRateCodeWritesNoStampsButEverythingElse) {
  for (int code : {0, 7, 8, 9}) {
    SampleDecoder decoder;
    const SampleTable t =
        decoder.Decode(WithSamples(HeaderA(12, 3, 15, 0), HeaderB(0, 0, code), 2));
    EXPECT_FALSE(t.error.has_value());
    EXPECT_EQ(StartRateText(t), "");
    EXPECT_EQ(t.rateMinutes, 0);
    EXPECT_EQ(StartDateText(t), "15/03/2012");
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(t.rows[2], (SampleTable::Row{"2", "", "", "50,0", "23,5"}));
    EXPECT_EQ(SavedFileLine(t.rows[2]), "    50,0  23,5\r\n");
  }
  // The rate box keeps the text it showed, and the rows are stamped by it.
  SampleDecoder decoder;
  SampleTable before;
  before.startRateMinutes = 15;
  const SampleTable t =
      decoder.Decode(WithSamples(HeaderA(12, 3, 15, 0), HeaderB(0, 0, 0), 1), &before);
  EXPECT_EQ(StartRateText(t), "CADA 15 MINUTOS");
  EXPECT_EQ(t.rateMinutes, 15);
  EXPECT_EQ(t.rows[1][2], "00:15:00");
}

TEST(SampleDecoderTest, DownloadsWithoutSamples) {
  SampleDecoder decoder;
  const SampleTable t = decoder.Decode(Download({HeaderA(12, 3, 15, 30), HeaderB(45, 14, 2)}));
  EXPECT_FALSE(t.error.has_value());
  ASSERT_EQ(t.rows.size(), 1u);
  EXPECT_EQ(t.rows[0][1], " FECHA:");
  EXPECT_EQ(StartDateText(t), "15/03/2012");
  EXPECT_EQ(StartTimeText(t), "14:45:30");
  EXPECT_EQ(StartRateText(t), "CADA 5 MINUTOS");
  EXPECT_EQ(SavedFileText(t), "");
  // The two header lines alone, without the end line.
  EXPECT_EQ(decoder.Decode(HeaderA(12, 3, 15, 30) + "\r\n" + HeaderB(45, 14, 2)).rows.size(), 1u);
}

TEST(SampleDecoderTest, BadHeaderLeavesTableEmptyAndStartBoxesAsBefore) {
  SampleTable before;
  before.start = LoggerStart{11, 1, 1, 0, 0, 0};
  before.startRateMinutes = 1;
  const std::string goodA = HeaderA(12, 3, 15, 30), goodB = HeaderB(45, 14, 2);
  struct Case {
    const char* name;
    std::string text;
    const char* error;
  };
  const Case cases[] = {
      {"letter in year", WithSamples("0x2003015030", goodB, 2), "'x' is not a valid integer value"},
      {"letter in second", WithSamples("01200301503Z", goodB, 2),
       "'Z' is not a valid integer value"},
      {"letter in rate", WithSamples(goodA, "04501400?000", 2), "'?' is not a valid integer value"},
      {"short header line", WithSamples(goodA, "0450140", 2), "'' is not a valid integer value"},
      {"empty text", "", "'' is not a valid integer value"},
      {"end marker only", "A", "'' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    SampleDecoder decoder;
    const SampleTable t = decoder.Decode(c.text, &before);
    ASSERT_TRUE(t.error.has_value()) << c.name;
    EXPECT_EQ(*t.error, c.error) << c.name;
    EXPECT_EQ(t.start, before.start) << c.name;
    EXPECT_EQ(StartRateText(t), "CADA 1 MINUTO") << c.name;
    EXPECT_EQ(t.rateMinutes, 0) << c.name;  // no rows are stamped
    for (const SampleTable::Row& row : t.rows) EXPECT_EQ(row, SampleTable::Row{}) << c.name;
  }
}

TEST(SampleDecoderTest, BadSampleLineStopsTheChannelTextsThere) {
  const std::string goodA = HeaderA(12, 3, 15, 30), goodB = HeaderB(45, 14, 2);
  const std::string good = Fields(7, 68, 2, 223);
  struct Case {
    const char* name;
    std::string badLine;
    std::string error;
  };
  const Case cases[] = {
      {"letter", "0070680022x3", "'x' is not a valid integer value"},
      {"first character", "-07068002223", "'-' is not a valid integer value"},
      {"short line", "00706800222", "'' is not a valid integer value"},
      {"empty line", "", "'' is not a valid integer value"},
      // A NUL byte stays in the message instead of cutting it short.
      {"NUL byte", std::string("0070\0", 5) + "6800223",
       std::string("'\0' is not a valid integer value", 32)},
  };
  for (const Case& c : cases) {
    SampleDecoder decoder;
    const SampleTable t = decoder.Decode(Download({goodA, goodB, good, c.badLine, good}));
    ASSERT_TRUE(t.error.has_value()) << c.name;
    EXPECT_EQ(*t.error, c.error) << c.name;
    ASSERT_EQ(t.rows.size(), 4u);
    EXPECT_EQ(t.rows[1], (SampleTable::Row{"1", "15/03/2012", "14:50:30", "50,0", "23,5"}));
    EXPECT_EQ(t.rows[2], (SampleTable::Row{"2", "15/03/2012", "14:55:30", "", ""})) << c.name;
    EXPECT_EQ(t.rows[3], (SampleTable::Row{"3", "15/03/2012", "15:00:30", "", ""})) << c.name;
  }
}

TEST(SampleDecoderTest, OnlyTheFirstTwelveCharactersOfASampleLineAreRead) {
  SampleDecoder decoder;
  const SampleTable t = decoder.Decode(
      Download({HeaderA(12, 3, 15, 30), HeaderB(45, 14, 2), "007068002223 junk", "999999999999"}));
  EXPECT_FALSE(t.error.has_value());
  EXPECT_EQ(t.rows[1][3], "50,0");
  // Unchecked fields: 999 x 256 + 999 for both channels.
  EXPECT_EQ(t.rows[2][3], "1,033E+4");
  EXPECT_EQ(t.rows[2][4], "2,562E+4");
}

TEST(SampleDecoderTest, SavedFileHasOneCrLfLinePerSample) {
  SampleDecoder decoder;
  const SampleTable t = decoder.Decode(WithSamples(HeaderA(12, 3, 15, 30), HeaderB(45, 14, 2), 2));
  EXPECT_EQ(SavedFileText(t),
            "15/03/2012  14:50:30  50,0  23,5\r\n15/03/2012  14:55:30  50,0  23,5\r\n");
}

TEST(ChannelValueTextTest, ReadingsAtTheEdges) {
  struct Case {
    int reading;
    bool humidity;
    const char* text;
  };
  const Case cases[] = {
      {620, true, "0,0"},       {619, true, "0,0"},    {651, true, "1,3"},     {589, true, "-1,3"},
      {0, true, "-25,0"},       {4095, true, "140,1"}, {1860, true, "50,0"},   {500, false, "0,0"},
      {499, false, "-0,1"},     {0, false, "-50,0"},   {4095, false, "359,5"}, {735, false, "23,5"},
      {12345, false, "1185,0"}, {501, false, "0,1"},
  };
  for (const Case& c : cases) {
    const double value =
        c.humidity ? HumidityFromReading(c.reading) : TemperatureFromReading(c.reading);
    EXPECT_EQ(ChannelValueText(value), c.text)
        << c.reading << (c.humidity ? " humidity" : " temperature");
  }
  EXPECT_EQ(HumidityFromReading(651), 1.25);
}

TEST(ChannelValueTextTest, RoundingOnTheExactValueOfTheDouble) {
  const std::pair<double, const char*> cases[] = {
      {1.25, "1,3"},                         // exact half: away from zero
      {-1.25, "-1,3"},      {0.05, "0,1"},   // stored slightly above 0.05
      {0.15, "0,1"},                         // stored slightly below 0.15
      {0.35, "0,3"},                         // stored slightly below 0.35
      {-0.05, "-0,1"},      {-0.04, "0,0"},  // rounds to zero: no sign
      {-0.0, "0,0"},        {1e-300, "0,0"},
      {999.94, "999,9"},    {999.95, "1000,0"},  // stored slightly above
      {1234.5, "1235,0"},                        // four digits: whole number
      {-1234.4, "-1234,0"}, {9999.4, "9999,0"},
      {9999.5, "1,000E+4"},  // five integer digits: exponent form
      {12345, "1,235E+4"},  {-25624.3, "-2,562E+4"},
      {1e20, "1,000E+20"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(ChannelValueText(value), text) << value;
}

}  // namespace

// The decode shows what came; what no working logger sends is found for the exports to refuse.
// The sensor's extremes (readings 0 and 4095, a leap day by the two-digit year) are real data.
TEST(ImpossibleReadingTest, BeyondTwelveBitsOrNoRealStartIsFoundAndTheExtremesAreNot) {
  using Kind = ImpossibleReading::Kind;
  const auto found = [](const std::string& headerA, const std::string& headerB,
                        const std::vector<std::string>& samples) {
    std::vector<std::string> lines = {headerA, headerB};
    lines.insert(lines.end(), samples.begin(), samples.end());
    return FindImpossibleReading(SampleDecoder().Decode(Download(lines)));
  };
  const std::string a = HeaderA(12, 3, 15, 30), b = HeaderB(45, 14, 2);
  EXPECT_FALSE(found(a, b, {Fields(0, 0, 0, 0), Fields(15, 255, 15, 255)}));
  EXPECT_FALSE(found(HeaderA(28, 2, 29, 59), HeaderB(59, 23, 6), {Fields(7, 68, 2, 223)}));

  const struct {
    std::string headerA, headerB, sample;
    Kind kind;
    std::size_t at;
  } cases[] = {
      {a, b, Fields(16, 0, 2, 223), Kind::kHumidity, 2},       // 4096
      {a, b, Fields(7, 68, 16, 0), Kind::kTemperature, 2},     // 4096
      {a, b, Fields(999, 999, 999, 999), Kind::kHumidity, 2},  // 10327,5 %
      {HeaderA(26, 13, 9, 30), b, Fields(7, 68, 2, 223), Kind::kStart, 0},
      {HeaderA(26, 2, 29, 30), b, Fields(7, 68, 2, 223), Kind::kStart, 0},
      {HeaderA(26, 4, 0, 30), b, Fields(7, 68, 2, 223), Kind::kStart, 0},
      {a, HeaderB(60, 14, 2), Fields(7, 68, 2, 223), Kind::kStart, 0},
      {a, HeaderB(45, 24, 2), Fields(7, 68, 2, 223), Kind::kStart, 0},
      {HeaderA(12, 3, 15, 60), b, Fields(7, 68, 2, 223), Kind::kStart, 0},
  };
  for (const auto& c : cases) {
    const ImpossibleReading r = found(c.headerA, c.headerB, {Fields(7, 68, 2, 223), c.sample});
    EXPECT_EQ(r.kind, c.kind) << c.headerA << " " << c.headerB << " " << c.sample;
    EXPECT_EQ(r.sample, c.at) << c.headerA << " " << c.headerB << " " << c.sample;
  }
}
