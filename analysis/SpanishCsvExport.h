// The "csv-es" export, for spreadsheets set up in Spanish: UTF-8 with a byte order mark (so they
// read the accented header right), CR LF, ';' separators, header
// "muestra;fecha_hora;humedad_relativa_%;temperatura_°C", time stamps DD/MM/YYYY HH:MM:SS and
// values with one decimal after a comma.
#pragma once

#include <string>

#include "data/SampleDecoder.h"

namespace analysis {

struct DelimitedDialect;
// The dialect behind SpanishCsvText, for DelimitedPieces.
const DelimitedDialect& SpanishCsvDialect();

std::string SpanishCsvText(const SampleTable& table);

}  // namespace analysis
