// The start and rate of a decoded download as texts: the data window's start boxes, and the ISO
// 8601 form the download archive keeps and reads back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "data/SampleTable.h"

// Edit1 "15/03/2012" and Edit2 "14:45:30"; "" without a start.
std::string StartDateText(const std::optional<LoggerStart>& start);
std::string StartTimeText(const std::optional<LoggerStart>& start);
inline std::string StartDateText(const SampleTable& table) {
  return StartDateText(table.start);
}
inline std::string StartTimeText(const SampleTable& table) {
  return StartTimeText(table.start);
}
// "CADA 5 MINUTOS"; "" for minutes that are no rate of the logger (0 for an unknown rate).
std::string RateCaption(int minutes);
// Edit8: the caption of the rate the table names; "" when it names none.
inline std::string StartRateText(const SampleTable& table) {
  return RateCaption(table.startRateMinutes);
}

// "2012-03-15T14:45:30": local logger time without a zone, the year in full.
std::string StartIsoText(const LoggerStart& start);
// The start from StartIsoText's form; nullopt for any other text. Years 2000..2099 only, as the
// logger's two-digit year gives.
std::optional<LoggerStart> StartFromIsoText(std::string_view text);
