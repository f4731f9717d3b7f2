// Choosing an export format by name.
#include "analysis/ExportFormat.h"

#include "analysis/CsvExport.h"
#include "analysis/DelimitedText.h"
#include "analysis/JsonExport.h"
#include "analysis/SpanishCsvExport.h"

namespace analysis {

std::optional<ExportFormat> ExportFormatNamed(std::string_view name) {
  if (name == "csv") return ExportFormat::kCsv;
  if (name == "csv-es") return ExportFormat::kSpanishCsv;
  if (name == "json") return ExportFormat::kJson;
  return std::nullopt;
}

const char* ExportExtension(ExportFormat format) {
  return format == ExportFormat::kJson ? "json" : "csv";
}

std::string ExportText(ExportFormat format, const SampleTable& table,
                       const JsonMembers& jsonExtra) {
  switch (format) {
    case ExportFormat::kCsv:
      return CsvText(table);
    case ExportFormat::kSpanishCsv:
      return SpanishCsvText(table);
    case ExportFormat::kJson:
      return JsonText(table, jsonExtra);
  }
  return {};
}

}  // namespace analysis

namespace analysis {

void ExportPieces(ExportFormat format, const SampleTable& table, const JsonMembers& jsonExtra,
                  const TextPieces& write) {
  switch (format) {
    case ExportFormat::kCsv:
      return DelimitedPieces(table, CsvDialect(), write);
    case ExportFormat::kSpanishCsv:
      return DelimitedPieces(table, SpanishCsvDialect(), write);
    case ExportFormat::kJson:
      return JsonPieces(table, jsonExtra, write);
  }
}

}  // namespace analysis
