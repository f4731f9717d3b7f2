// Checking a calibration's figures and dates, and writing it as JSON.
#include "data/Calibration.h"

#include <cmath>
#include <ctime>
#include <nlohmann/json.hpp>

namespace {

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool IsTimeOfDay(std::string_view text) {
  int hour = 0, minute = 0, second = 0;
  return text.size() == 8 && text[2] == ':' && text[5] == ':' && Digits(text, 0, 2, hour) &&
         Digits(text, 3, 2, minute) && Digits(text, 6, 2, second) && hour < 24 && minute < 60 &&
         second < 60;
}

bool Printable(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  }
  return true;
}

}  // namespace

bool IsIsoDate(std::string_view text) {
  int year = 0, month = 0, day = 0;
  return text.size() == 10 && text[4] == '-' && text[7] == '-' && Digits(text, 0, 4, year) &&
         Digits(text, 5, 2, month) && Digits(text, 8, 2, day) && month >= 1 && month <= 12 &&
         day >= 1 && day <= DaysInMonth(year, month);
}

bool IsIsoDateOrDateTime(std::string_view text) {
  if (text.size() == 10) return IsIsoDate(text);
  return text.size() == 19 && text[10] == 'T' && IsIsoDate(text.substr(0, 10)) &&
         IsTimeOfDay(text.substr(11));
}

std::string CalibrationStartText(const Calibration& calibration) {
  return calibration.appliesFrom.size() == 10 ? calibration.appliesFrom + "T00:00:00"
                                              : calibration.appliesFrom;
}

std::string CalibrationProblem(const Calibration& c) {
  for (const double figure :
       {c.temperatureOffset, c.temperatureGain, c.humidityOffset, c.humidityGain}) {
    if (!std::isfinite(figure)) return "every offset and gain must be a finite number";
  }
  if (c.temperatureGain <= 0) return "the temperature gain must be above 0";
  if (c.humidityGain <= 0) return "the humidity gain must be above 0";
  if (c.certificate.empty()) return "the certificate is missing";
  if (!Printable(c.certificate) || !Printable(c.laboratory))
    return "the certificate and the laboratory must not hold control characters";
  if (!IsIsoDate(c.certificateDate))
    return "the certificate's date must be YYYY-MM-DD, not '" + c.certificateDate + "'";
  if (!IsIsoDate(c.due)) return "the due date must be YYYY-MM-DD, not '" + c.due + "'";
  if (!IsIsoDateOrDateTime(c.appliesFrom))
    return "the date it applies from must be YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS, not '" +
           c.appliesFrom + "'";
  // Dates written YYYY-MM-DD compare as their texts do.
  if (c.due < c.certificateDate) return "the due date is before the certificate's date";
  return "";
}

bool CalibrationExpired(const Calibration& calibration, std::string_view today) {
  return calibration.due < today;
}

std::string LocalDateToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

std::string CalibrationJsonText(const Calibration& c) {
  const nlohmann::ordered_json json = {{"certificate", c.certificate},
                                       {"laboratory", c.laboratory},
                                       {"certificate_date", c.certificateDate},
                                       {"applies_from", c.appliesFrom},
                                       {"due", c.due},
                                       {"t_offset", c.temperatureOffset},
                                       {"t_gain", c.temperatureGain},
                                       {"rh_offset", c.humidityOffset},
                                       {"rh_gain", c.humidityGain}};
  return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
