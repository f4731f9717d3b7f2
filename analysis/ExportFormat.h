// The export formats by name ("csv", "csv-es", "json"), so that the command-line tool and the data
// window offer the same list and produce the same bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "analysis/JsonExport.h"
#include "data/SampleDecoder.h"

namespace analysis {

enum class ExportFormat { kCsv, kSpanishCsv, kJson };

std::optional<ExportFormat> ExportFormatNamed(std::string_view name);
// The file name extension without the dot: "csv" or "json".
const char* ExportExtension(ExportFormat format);
// `jsonExtra` goes into the JSON export only (see JsonText).
std::string ExportText(ExportFormat format, const SampleTable& table,
                       const JsonMembers& jsonExtra = {});
// The same text handed to `write` in pieces, in order: a large export is never held whole.
void ExportPieces(ExportFormat format, const SampleTable& table, const JsonMembers& jsonExtra,
                  const TextPieces& write);

}  // namespace analysis
