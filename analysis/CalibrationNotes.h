// The sentences that tell a reader which values are corrected by a calibration and how: one per
// calibration a table's samples carry, in Spanish, for the report, the windows and `stats`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/SampleTable.h"

namespace analysis {

// "Valores corregidos según el certificado C-17 (Lab Norte, 10/01/2026) desde 01/02/2026:
// temperatura × 1,0000 + 0,30 °C; humedad × 1,0200 − 1,00 %; vence el 10/01/2027", with
// "; CALIBRACIÓN VENCIDA" after it when the due date is before `today` (YYYY-MM-DD).
std::string CalibrationNote(const Calibration& calibration, std::string_view today);
// The note of every calibration of `table`; none when its values are raw.
std::vector<std::string> CalibrationNotes(const SampleTable& table, std::string_view today);

}  // namespace analysis
