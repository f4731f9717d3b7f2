// The texts of one row of the stations window, made from a station's settings and the status its
// service last wrote, judged against the time now. No widgets here: the window only shows them.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "archive/ArchiveModule.h"

// The columns of the stations window, in order.
enum StationColumn {
  kStationName,
  kStationPort,
  kStationState,
  kStationLastReply,
  kStationMemory,
  kStationBattery,
  kStationDrift,
  kStationLastDownload,
  kStationNextDownload,
  kStationCalibration,
  kStationProblem,
  kStationColumnCount
};

// The Spanish headings of the columns.
std::vector<std::string> StationHeadings();

// "funcionando" (its service runs and the logger answers), "sin conexión" (it runs without the
// logger) or "detenido"; with the other columns as the last status says ("-" where it says
// nothing). `running` is the judgement of IsStationRunning.
// The calibration column names the certificate in force and its due date, "VENCIDA" first when
// that date is before `today` (YYYY-MM-DD; empty: judged on this computer's date).
std::vector<std::string> StationRowTexts(const StationView& station, bool running,
                                         const std::string& today = {});

// Local time "dd/mm/yyyy hh:mm:ss", as the program shows dates and times.
std::string LocalTimeText(std::chrono::system_clock::time_point when);
