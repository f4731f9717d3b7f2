// The details an archive keeps beside each raw text (what the decoder made of it, its size, and
// whether it ended complete) checked against the text itself, so that a record whose details were
// changed inside the file is caught even though its text still matches its checksum.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "archive/DownloadRecord.h"

// The first detail that disagrees, as recorded and as the raw text gives it ("samples 40").
struct DetailMismatch {
  std::string recorded;
  std::string fromText;
};

// nullopt when every detail is what `rawText` gives. A record marked complete must end with the
// logger's end marker.
std::optional<DetailMismatch> CompareDetails(const DownloadSummary& details,
                                             std::string_view rawText);

// The mismatch of a record with its raw text, if any: its checksum first, then its details.
std::optional<ChecksumMismatch> CheckAgainstText(const DownloadSummary& record,
                                                 std::string_view rawText);
