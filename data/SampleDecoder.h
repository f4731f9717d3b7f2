// Turns a download text into the data table: the logger's start date, start time and rate, and one
// row per sample with number, date, time, relative humidity and temperature, all as display texts.
// No window here: the data window and the command-line tool both apply the result.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/SampleTable.h"

// The download text as a list of lines. A line ends at CR LF, at a lone CR or at a lone LF (so a
// text saved with other line ends reads the same); an empty line after a final line break is not
// counted. The views point into `text`.
std::vector<std::string_view> SplitDownloadLines(std::string_view text);
int CountDownloadLines(std::string_view text);

// Text of one channel value: one decimal, decimal comma, at most four significant digits, a
// remaining half rounded away from zero on the exact value of the double, "0,0" never signed
// ("1,3" for 1.25, "-0,1", "1185,0" for 1184.5). A value whose integer part needs five digits or
// more is written with four significant digits in exponent form: "2,562E+4", "-1,000E+5".
std::string ChannelValueText(double value);
double HumidityFromReading(int r1);     // (r1 - 620) / 0.0248 / 1000 in extended precision
double TemperatureFromReading(int r2);  // (r2 - 500) / 10

class SampleDecoder {
 public:
  // Rebuilds the table from `downloadText`. `previous` supplies the start boxes as they stood
  // before (they keep their texts when the header cannot be read, and the rate box keeps its text
  // for an unknown rate code). Never throws on bad input: an error stops the decode as the data
  // window does and is reported in `error`, with what was filled before it kept.
  SampleTable Decode(std::string_view downloadText, const SampleTable* previous = nullptr);

  // The month-length cell, kept between calls (0 at start).
  int monthLength() const { return monthLength_; }

 private:
  using Lines = std::vector<std::string_view>;

  // The whole decode: header with dates and times, headings, numbers, channel texts.
  void DOSCANALESLM35(const Lines& lines, SampleTable& table);
  // Header into the start stamp and the start boxes, then the dates and times of every row. False
  // (with table.error set and nothing written) when a header character is not a digit.
  bool OBTIENEFECHAYHORA(const Lines& lines, SampleTable& table);
  // Dates and times of rows 1..N, one sample interval apart, the first one interval after the
  // start.
  void VERPOR1MINUTO(SampleTable& table);
  void VERPOR5MINUTOS(SampleTable& table);
  void VERPOR10MINUTOS(SampleTable& table);
  void VERPOR15MINUTOS(SampleTable& table);
  void VERPOR30MINUTOS(SampleTable& table);
  void VERPOR60MINUTOS(SampleTable& table);
  void StampRows(SampleTable& table, int stepMinutes, bool carryAbove60);
  // Sets the month-length cell for `month` of the two-digit year `year`; leaves it for a month
  // outside 1..12.
  void VERIFICAR(int month, int year);
  // Channel texts of rows 1..N; stops at the first character that is not a digit.
  void MUESTRADATA(const Lines& lines, SampleTable& table);

  int monthLength_ = 0;
};

// One saved-file line: date, 2 spaces, time, 2 spaces, channel 1, 2 spaces, channel 2, CR LF.
std::string SavedFileLine(const SampleTable::Row& row);
// The whole saved file: rows 1..N, no heading.
std::string SavedFileText(const SampleTable& table);
