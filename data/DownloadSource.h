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

// Reads `text` as a saved table file: every non-empty line "date  time  channel 1  channel 2"
// with CR LF or LF ends. The start texts stay empty (the file does not hold them); the rate is
// taken from the spacing of the first two time stamps when it is one of the logger's rates.
// nullopt when a line is not of that form or the text holds no line.
std::optional<SampleTable> ParseSavedTable(std::string_view text);

// True when `text` begins like a download: two header lines of at least 12 digits each.
bool LooksLikeRawDownload(std::string_view text);

// Recognises and decodes `text`; nullopt when it is neither a raw download nor a saved table.
std::optional<LoadedDownload> RecogniseDownload(std::string_view text);
