// The semicolon-separated export with decimal commas for Spanish spreadsheets.
#include "analysis/SpanishCsvExport.h"

#include "analysis/DelimitedText.h"
#include "analysis/StampText.h"

namespace analysis {

namespace {

void SpanishStamp(std::string& text, const SampleNumbers& sample) {
  AppendSpanishDateTimeText(text, StampOf(sample));
}

}  // namespace

const DelimitedDialect& SpanishCsvDialect() {
  static const DelimitedDialect kDialect = {
      "\xEF\xBB\xBF",
      "muestra;fecha_hora;humedad_relativa_%;temperatura_\xC2\xB0"
      "C",
      ';',
      ',',
      SpanishStamp,
      "calibraci\xC3\xB3n"};
  return kDialect;
}

std::string SpanishCsvText(const SampleTable& table) {
  return DelimitedText(table, SpanishCsvDialect());
}

}  // namespace analysis
