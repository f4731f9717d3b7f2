// The comma-separated export for programs and English-language spreadsheets.
#include "analysis/CsvExport.h"

#include "analysis/DelimitedText.h"
#include "analysis/StampText.h"

namespace analysis {

namespace {

void IsoStamp(std::string& text, const SampleNumbers& sample) {
  AppendIsoText(text, StampOf(sample));
}

}  // namespace

const DelimitedDialect& CsvDialect() {
  static const DelimitedDialect kDialect = {
      "",           "sample,timestamp,relative_humidity_pct,temperature_c", ',', '.', IsoStamp,
      "calibration"};
  return kDialect;
}

std::string CsvText(const SampleTable& table) {
  return DelimitedText(table, CsvDialect());
}

}  // namespace analysis
