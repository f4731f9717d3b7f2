// Turns a download text into the data table: the logger's start date, start time and rate, and one
// row per sample with number, date, time, relative humidity and temperature, as display texts and
// as numbers. No window here: the data window and the command-line tool both apply the result.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/SampleTable.h"

class SampleDecoder {
 public:
  using Lines = std::vector<std::string_view>;

  // Rebuilds the table from `downloadText`. `previous` supplies the start boxes as they stood
  // before (they keep their texts when the header cannot be read, and the rate box keeps its text
  // for an unknown rate code). Never throws on bad input: an error stops the decode as the data
  // window does and is reported in `error`, with what was filled before it kept.
  SampleTable Decode(std::string_view downloadText, const SampleTable* previous = nullptr);

  // The steps of Decode, each on a table already sized to the lines (rows.size() == max(1, L - 2),
  // samples one fewer), for a caller that runs them one at a time.

  // The whole decode: header with dates and times, headings, numbers, channel texts.
  void DecodeTable(const Lines& lines, SampleTable& table);
  // Header into the start stamp and the start boxes, then the dates and times of every row. False
  // (with table.error set and nothing written) when a header character is not a digit.
  bool DecodeStartAndStamps(const Lines& lines, SampleTable& table);
  // Dates and times of rows 1..N from the start stamp, `stepMinutes` apart, the first one step
  // after the start; every row keeps the start's second.
  void StampRows(SampleTable& table, int stepMinutes);
  // Sets the month-length cell for `month` of the two-digit year `year`; leaves it for a month
  // outside 1..12.
  void UpdateMonthLength(int month, int year);
  // Channel texts and values of rows 1..N; stops at the first character that is not a digit.
  void DecodeChannelValues(const Lines& lines, SampleTable& table);

  // The month-length cell, kept between calls (0 at start).
  int monthLength() const { return monthLength_; }

 private:
  int monthLength_ = 0;
};

// What came of a download, whole or cut short, as the decoder reads a whole one: `received` itself
// when it ends with the end marker; otherwise it was cut short, and its complete lines are followed
// by the end marker, so that the last of them counts as a sample (the decoder takes a text's last
// line for the end marker) and a line cut in the middle is left out.
std::string WithEndMarker(std::string_view received);

// Decodes what came of a download, whole or cut short (see WithEndMarker): every complete sample
// line is a sample.
SampleTable DecodeReceived(std::string_view received);
