// The decoded download as every consumer reads it: the table's display texts row by row, and beside
// them the exact numbers of every sample (engineering values and time stamp fields), the start of
// logging and the rate.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "data/Calibration.h"

// The numbers behind one row of the table: the engineering values exactly as computed (no
// rounding) and the time stamp's fields with the year in full (2000 + the logger's year).
struct SampleNumbers {
  bool hasValues = false;  // false when the row's line could not be read
  double humidity = 0;     // relative humidity, %
  double temperature = 0;  // degrees Celsius
  bool hasStamp = false;   // false when the download's rate code is unknown
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  // 0: the values as the logger gave them; k: corrected by the table's calibrations[k - 1].
  int calibration = 0;
};

// The start of logging as the download header gives it: the logger's two-digit year (12 for 2012)
// and the other fields as sent, which the logger does not range-check.
struct LoggerStart {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool operator==(const LoggerStart&) const = default;
};

// Where an archived download came from: set when a table is read from the download archive.
struct DownloadOrigin {
  std::string receivedAt;  // UTC, ISO 8601 with "Z"
  std::string port;
  std::string sha256;  // of the raw text, hexadecimal
};

struct SampleTable {
  // Column texts of rows 0..N (row 0: "", " FECHA:", " HORA:", "CANAL 1", "CANAL 2").
  using Row = std::array<std::string, 5>;
  std::vector<Row> rows;  // rows.size() == max(1, L - 2)
  // samples[k - 1] holds the numbers of row k; samples.size() == rows.size() - 1.
  std::vector<SampleNumbers> samples;
  int rateMinutes = 0;  // minutes between the rows' time stamps; 0 when the rate is unknown
  // The start boxes (Edit1, Edit2, Label1..Label6): none until a header has been read.
  std::optional<LoggerStart> start;
  // The rate box (Edit8), in minutes: the header's rate, kept from before for a rate code outside
  // 1..6 or a header that cannot be read; 0 for none. A saved table file names no rate here.
  int startRateMinutes = 0;
  // "'x' is not a valid integer value": the decode stopped at the character x. A character that is
  // missing (a line too short, or a header line that is not there) gives "'' is not a valid
  // integer value".
  std::optional<std::string> error;
  std::optional<DownloadOrigin> origin;  // only for a download read from the archive
  // The calibrations whose corrections some samples carry; empty when every value is raw.
  std::vector<Calibration> calibrations;
  // The station whose download or record this is, when one is known: its alarm rule applies.
  std::string station;
};
