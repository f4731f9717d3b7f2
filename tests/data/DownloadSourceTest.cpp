// Reading a download back from a file: the saved table and the raw capture give the same numbers as
// the fresh decode, and a file that is neither is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <string>

#include "data/DecimalNumber.h"
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

// The operators' own locale reads "1.5" as nothing: the table's decimal comma must read the same.
// Then what no logger records is refused with the line it is on, not reported on as data.
TEST(DownloadSourceTest, SavedTableReadsUnderACommaLocaleAndRefusesWhatNoLoggerRecords) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "es_ES.UTF-8");  // stays "C" where that locale is missing
  const SampleTable decoded = SampleDecoder().Decode(kRaw);
  const std::optional<SampleTable> back = ParseSavedTable(SavedFileText(decoded));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->samples[0].humidity, 50.0);
  EXPECT_EQ(back->samples[1].temperature, -50.0);
  EXPECT_EQ(back->samples[2].temperature, 359.5);  // the highest reading there is

  using Kind = SavedTableProblem::Kind;
  const std::string first = "28/02/2026  23:50:00  50,0  20,0\r\n";
  const struct {
    std::string text;
    Kind kind;
    std::size_t line;
  } cases[] = {
      {first + "31/02/2026  25:61:00  50,0  20,0\r\n", Kind::kNoSuchDate, 2},
      {"\r\n29/02/2027  10:00:00  50,0  20,0\r\n", Kind::kNoSuchDate, 2},
      {"00/01/2026  10:00:00  50,0  20,0\r\n", Kind::kNoSuchDate, 1},
      {"01/13/2026  10:00:00  50,0  20,0\r\n", Kind::kNoSuchDate, 1},
      {"01/03/2026  24:00:00  50,0  20,0\r\n", Kind::kTimeOutOfDay, 1},
      {"01/03/2026  10:00:60  50,0  20,0\r\n", Kind::kTimeOutOfDay, 1},
      {first + "28/02/2026  23:55:00  99999999999999999999,9  20,0\r\n", Kind::kHumidityOutOfRange,
       2},
      {first + "28/02/2026  23:55:00  -25,1  20,0\r\n", Kind::kHumidityOutOfRange, 2},
      {first + "28/02/2026  23:55:00  50,0  359,6\r\n", Kind::kTemperatureOutOfRange, 2},
      {first + "28/02/2026  23:55:00  50,0  -1,000E+5\r\n", Kind::kTemperatureOutOfRange, 2},
      // Steps: not a logger rate, then a gap after two good steps, then a stamp missing.
      {first + "28/02/2026  23:57:00  50,0  20,0\r\n", Kind::kUnevenSteps, 2},
      {first + "01/03/2026  00:00:00  50,0  20,0\r\n01/03/2026  00:20:00  50,0  20,0\r\n",
       Kind::kUnevenSteps, 3},
      {first + "    50,0  20,0\r\n", Kind::kUnevenSteps, 2},
  };
  for (const auto& c : cases) {
    SavedTableProblem problem;
    EXPECT_FALSE(RecogniseDownload(c.text, &problem)) << c.text;
    EXPECT_EQ(problem.kind, c.kind) << c.text;
    EXPECT_EQ(problem.line, c.line) << c.text;
  }
  // A leap day and a step across it at the hour rate are real.
  EXPECT_TRUE(
      ParseSavedTable("29/02/2028  23:30:00  50,0  20,0\r\n"
                      "01/03/2028  00:30:00  50,0  20,0\r\n"));
  SavedTableProblem problem;
  ParseSavedTable("15/03/2012  14:50:30  50,0  23,5\r\n31/02/2026  10:00:00  50,0  20,0\r\n",
                  &problem);
  EXPECT_EQ(SavedTableProblemText(problem), "línea 2: no existe la fecha 31/02/2026");
  std::setlocale(LC_ALL, before.c_str());
}

// A text refused for not being a table says what is wrong on which line, for the windows too.
TEST(DownloadSourceTest, NotATableNamesTheLineAndWhatIsWrongThere) {
  using Shape = SavedTableProblem::Shape;
  const std::string good = "15/03/2012  14:50:30  50,0  23,5\r\n";
  const struct {
    std::string text;
    Shape shape;
    const char* spanish;
  } cases[] = {
      {good + "15/03/2012  14:55:30  abc  23,5\r\n", Shape::kNotANumber,
       "línea 2: «abc» no es un número"},
      {"\xEF\xBB\xBF" + good, Shape::kByteOrderMark,
       "línea 1: el archivo empieza por una marca de orden de bytes"},
      {"\r\n" + good + "a\tb\r\n", Shape::kTab,
       "línea 3: los campos están separados por tabuladores, no por dos espacios"},
      {"15/03/2012  14:50:30  50,0  23,5  x\r\n", Shape::kFieldCount,
       "línea 1: 5 campos donde una tabla guardada tiene 4 (fecha  hora  canal 1  canal 2)"},
      {"\r\n\r\n", Shape::kNoLines, "el archivo está vacío"},
  };
  for (const auto& c : cases) {
    SavedTableProblem problem;
    EXPECT_FALSE(RecogniseDownload(c.text, &problem)) << c.text;
    EXPECT_EQ(problem.kind, SavedTableProblem::Kind::kNotATable) << c.text;
    EXPECT_EQ(problem.shape, c.shape) << c.text;
    EXPECT_EQ(SavedTableProblemText(problem), c.spanish) << c.text;
  }
}

TEST(DecimalNumber, TableCellsReadWithADecimalComma) {
  const std::pair<const char*, double> cases[] = {
      {"23,5", 23.5},   {"-3", -3.0}, {" 50,0 ", 50.0},  {"+7", 7.0},
      {",5", 0.5},      {"5,", 5.0},  {"1,5E+2", 150.0}, {"2e-1", 0.2},
      {"-10,0", -10.0}, {"0", 0.0},   {"\t4,25", 4.25},  {"123456789", 123456789.0},
  };
  for (const auto& [text, expected] : cases) {
    const std::optional<double> value = ParseDecimalNumber(text, kTableNumber);
    ASSERT_TRUE(value.has_value()) << text;
    EXPECT_DOUBLE_EQ(*value, expected) << text;
  }
}

TEST(DecimalNumber, TableCellsRefuseEverythingElse) {
  const char* cases[] = {"",    " ",   "23.5", "1.000,5", "abc", "1,2,3",  "-",
                         ",",   "1E",  "1E+",  "inf",     "nan", "0x10",   "1e999",
                         "5 5", "--1", "1,5a", "E5",      "+-1", "1,5E2,0"};
  for (const char* text : cases) {
    EXPECT_FALSE(ParseDecimalNumber(text, kTableNumber).has_value()) << "'" << text << "'";
  }
}

}  // namespace
