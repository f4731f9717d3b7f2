// Calibration notes in Spanish.
#include "analysis/CalibrationNotes.h"

#include <cmath>

#include "analysis/RoundedNumber.h"

namespace analysis {

namespace {

// "2026-01-10" as "10/01/2026"; a date and time keeps its time after it.
std::string SpanishDate(const std::string& iso) {
  if (iso.size() < 10) return iso;
  std::string text = iso.substr(8, 2) + '/' + iso.substr(5, 2) + '/' + iso.substr(0, 4);
  if (iso.size() > 11) text += ' ' + iso.substr(11);
  return text;
}

std::string Figure(double value, int decimals) {
  return RoundedText(value, decimals, ',');
}

// "× 1,0200 − 1,00 %": the gain, then the offset with its sign.
std::string Correction(double gain, double offset, const char* unit) {
  const std::string sign = std::signbit(offset) ? "\xE2\x88\x92 " : "+ ";
  return "\xC3\x97 " + Figure(gain, 4) + ' ' + sign + Figure(std::fabs(offset), 2) + ' ' + unit;
}

}  // namespace

std::string CalibrationNote(const Calibration& c, std::string_view today) {
  std::string text = "Valores corregidos según el certificado " + c.certificate + " (";
  if (!c.laboratory.empty()) text += c.laboratory + ", ";
  text += SpanishDate(c.certificateDate) + ") desde " + SpanishDate(c.appliesFrom) +
          ": temperatura " +
          Correction(c.temperatureGain, c.temperatureOffset,
                     "\xC2\xB0"
                     "C") +
          "; humedad " + Correction(c.humidityGain, c.humidityOffset, "%") + "; vence el " +
          SpanishDate(c.due);
  if (CalibrationExpired(c, today)) text += "; CALIBRACI\xC3\x93N VENCIDA";
  return text;
}

std::vector<std::string> CalibrationNotes(const SampleTable& table, std::string_view today) {
  std::vector<std::string> notes;
  for (const Calibration& calibration : table.calibrations)
    notes.push_back(CalibrationNote(calibration, today));
  return notes;
}

}  // namespace analysis
