// Alarms as the windows and the report show them to the operator, in Spanish.
#pragma once

#include <optional>
#include <string>

#include "alarms/Alarm.h"

// "Temperatura alta", "Humedad baja", "Batería", ...
std::string AlarmKindText(AlarmKind kind);
// "Alarma" or "Aviso".
std::string AlarmLevelText(AlarmLevel level);
// A limit or peak with two decimals, as the summary gives figures, and the channel's unit:
// "29,50 °C", "80,06 %HR"; "—" for none. The unit is the temperature's for the temperature kinds,
// the humidity's for the humidity kinds, and none for the others.
std::string AlarmValueText(const std::optional<double>& value, AlarmKind kind);
// A sample's time stamp "2026-12-07T14:05:00" as "07/12/2026 14:05:00"; another text as it is.
std::string SpanishStampText(const std::string& iso);
