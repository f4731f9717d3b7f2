// Spanish texts of alarms.
#include "alarms/AlarmTexts.h"

#include "analysis/RoundedNumber.h"

std::string AlarmKindText(AlarmKind kind) {
  switch (kind) {
    case AlarmKind::kTemperatureHigh:
      return "Temperatura alta";
    case AlarmKind::kTemperatureLow:
      return "Temperatura baja";
    case AlarmKind::kHumidityHigh:
      return "Humedad alta";
    case AlarmKind::kHumidityLow:
      return "Humedad baja";
    case AlarmKind::kSilent:
      return "Sin respuesta";
    case AlarmKind::kBattery:
      return "Batería baja";
    case AlarmKind::kMemory:
      return "Memoria casi llena";
    case AlarmKind::kDownloadFailed:
      return "Descargas fallidas";
    case AlarmKind::kClockDrift:
      return "Reloj desviado";
    case AlarmKind::kGap:
      return "Muestras perdidas";
  }
  return AlarmKindCode(kind);
}

std::string AlarmLevelText(AlarmLevel level) {
  return level == AlarmLevel::kAlarm ? "Alarma" : "Aviso";
}

std::string AlarmValueText(const std::optional<double>& value, AlarmKind kind) {
  if (!value) return "—";
  std::string text = analysis::RoundedText(*value, 2, ',');
  if (kind == AlarmKind::kTemperatureHigh || kind == AlarmKind::kTemperatureLow) {
    text += " °C";
  } else if (kind == AlarmKind::kHumidityHigh || kind == AlarmKind::kHumidityLow) {
    text += " %HR";
  }
  return text;
}

std::string SpanishStampText(const std::string& iso) {
  if (iso.size() != 19 || iso[4] != '-' || iso[7] != '-' || iso[10] != 'T') return iso;
  return iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(0, 4) + " " +
         iso.substr(11, 8);
}
