// A download read back from a file: either a raw captured download (the characters the logger
// sent, as `velmorante-cli download --raw` keeps them) or a saved table file (the data window's
// saved format). Both become the same decoded table, with its numbers, so that every consumer
// (table, charts, exports, statistics) works the same on a file as on a fresh download.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "data/SampleTable.h"

struct LoadedDownload {
  enum class Kind { kRawDownload, kSavedTable };
  Kind kind = Kind::kRawDownload;
  std::string rawText;  // the raw download text; empty for a saved table
  SampleTable table;    // decoded (a raw download may carry its decode error in table.error)
};

// Why a text was refused as a saved table, and on which line of it (1 for the first).
struct SavedTableProblem {
  enum class Kind {
    kNone,
    kNotATable,           // a line is not "date  time  channel 1  channel 2", or there is none
    kNoSuchDate,          // 31/02/2026, month 13, day 0
    kTimeOutOfDay,        // past 23:59:59
    kHumidityOutOfRange,  // no 12-bit reading gives it (see SensorRange.h)
    kTemperatureOutOfRange,
    kUnevenSteps,  // not one logger rate after the previous stamp, or a stamp missing
  };
  // What is wrong with a line refused as kNotATable.
  enum class Shape {
    kNone,
    kNoLines,        // the text holds no line at all
    kByteOrderMark,  // the first line begins with the bytes EF BB BF
    kTab,            // fields apart by tabs rather than two spaces
    kFieldCount,     // other than four fields (`fields` of them)
    kNotADate,       // `field` is not DD/MM/YYYY
    kNotATime,       // `field` is not HH:MM:SS
    kNotANumber,     // `field` is not a channel value
    kOneChannel,     // one channel has a value and the other none
  };
  Kind kind = Kind::kNone;
  std::size_t line = 0;
  std::string field;  // the refused date, time or value as the file has it
  Shape shape = Shape::kNone;
  std::size_t fields = 0;  // the fields of the line, for kFieldCount
};

// The problem in Spanish for the windows, naming the line: "línea 3: no existe la fecha
// 31/02/2026", "línea 7: «abc» no es un número".
std::string SavedTableProblemText(const SavedTableProblem& problem);

// Reads `text` as a saved table file: every non-empty line "date  time  channel 1  channel 2"
// with CR LF or LF ends. The start texts stay empty (the file does not hold them); the rate is the
// spacing of the first two time stamps, and every later stamp must follow the one before by it.
// nullopt, with the reason in `problem` when given, when a line is not of that form, holds a date,
// time or value that no logger could have recorded, or the text holds no line. Without
// `withTexts` the table keeps only its heading row and the samples' numbers, which is all that
// statistics and exports read: a large file then takes far less memory.
std::optional<SampleTable> ParseSavedTable(std::string_view text,
                                           SavedTableProblem* problem = nullptr,
                                           bool withTexts = true);

// True when `text` begins like a download: two header lines of at least 12 digits each.
bool LooksLikeRawDownload(std::string_view text);

// Recognises and decodes `text`; nullopt when it is neither a raw download nor a saved table. A
// text refused as a saved table for what it holds has its reason in `problem` (kind kNotATable
// otherwise, with its `shape`). `withTexts` as for ParseSavedTable.
std::optional<LoadedDownload> RecogniseDownload(std::string_view text,
                                                SavedTableProblem* problem = nullptr,
                                                bool withTexts = true);
