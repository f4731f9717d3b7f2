// A station's calibration: the correction its certificate gives for each channel (corrected = raw ×
// gain + offset), the certificate's details, the date from which the correction applies and the
// date it is due again. Plain values and checks, shared by the archive, the record, the exports
// and the windows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct Calibration {
  std::int64_t id = 0;  // its row in the archive; 0 before it is kept
  std::string station;
  double temperatureOffset = 0;  // degrees Celsius
  double temperatureGain = 1;
  double humidityOffset = 0;  // percentage points of relative humidity
  double humidityGain = 1;
  std::string certificate;
  std::string laboratory;       // may be empty
  std::string certificateDate;  // YYYY-MM-DD
  // Local logger time from which the correction applies: YYYY-MM-DD (from midnight) or
  // YYYY-MM-DDTHH:MM:SS.
  std::string appliesFrom;
  std::string due;    // YYYY-MM-DD
  std::string setAt;  // UTC, ISO 8601 with "Z": when it was kept
};

// "2026-12-08": a date that exists, written so.
bool IsIsoDate(std::string_view text);
// A date as above, or a date and a time of day "2026-12-08T14:05:00".
bool IsIsoDateOrDateTime(std::string_view text);
// `appliesFrom` as a full local date and time: midnight for a date alone.
std::string CalibrationStartText(const Calibration& calibration);

// What is wrong with `calibration`, in a sentence; empty when it may be kept. A gain must be above
// zero, every figure finite, the certificate named in printable characters, the dates real ones
// and the due date not before the certificate's.
std::string CalibrationProblem(const Calibration& calibration);

// Whether the calibration is past its due date on `today` (YYYY-MM-DD).
bool CalibrationExpired(const Calibration& calibration, std::string_view today);
// Today's date on this computer's clock, YYYY-MM-DD, local time.
std::string LocalDateToday();

inline double CorrectedHumidity(const Calibration& c, double raw) {
  return raw * c.humidityGain + c.humidityOffset;
}
inline double CorrectedTemperature(const Calibration& c, double raw) {
  return raw * c.temperatureGain + c.temperatureOffset;
}

// The calibration as one JSON object: "certificate", "laboratory", "certificate_date",
// "applies_from", "due", "t_offset", "t_gain", "rh_offset", "rh_gain".
std::string CalibrationJsonText(const Calibration& calibration);
