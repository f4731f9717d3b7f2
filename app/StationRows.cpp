// Turns a station's last status into the texts of its row.
#include "app/StationRows.h"

#include <cstdio>
#include <ctime>

#include "link/LoggerProtocol.h"

namespace {

std::string TimeOrDash(const std::optional<std::chrono::system_clock::time_point>& when) {
  return when ? LocalTimeText(*when) : std::string("-");
}

// "2026-01-10" as "10/01/2026".
std::string SpanishDate(const std::string& iso) {
  if (iso.size() != 10) return iso;
  return iso.substr(8, 2) + '/' + iso.substr(5, 2) + '/' + iso.substr(0, 4);
}

}  // namespace

std::vector<std::string> StationHeadings() {
  return {"Nombre",
          "Puerto",
          "Estado",
          "Última respuesta",
          "Memoria",
          "Batería",
          "Deriva del reloj (s)",
          "Última descarga",
          "Próxima descarga",
          "Calibración",
          "Problema"};
}

std::string LocalTimeText(std::chrono::system_clock::time_point when) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%d/%m/%Y %H:%M:%S", &local);
  return text;
}

std::vector<std::string> StationRowTexts(const StationView& station, bool running,
                                         const std::string& today) {
  std::vector<std::string> row(kStationColumnCount, "-");
  row[kStationName] = station.settings.name;
  if (const std::optional<Calibration>& calibration = station.calibration) {
    const std::string due = SpanishDate(calibration->due);
    row[kStationCalibration] =
        CalibrationExpired(*calibration, today.empty() ? LocalDateToday() : today)
            ? "VENCIDA el " + due + " (" + calibration->certificate + ")"
            : calibration->certificate + ", vence el " + due;
  }
  row[kStationPort] = station.settings.port;
  const std::optional<StationStatus>& status = station.status;
  row[kStationState] = !running                        ? "detenido"
                       : (status && status->connected) ? "funcionando"
                                                       : "sin conexión";
  row[kStationProblem].clear();
  if (!status) return row;
  row[kStationLastReply] = TimeOrDash(status->lastReplyAt);
  if (status->memoryUsed) {
    const int capacity = protocol::kLoggerCapacity;
    row[kStationMemory] = std::to_string(*status->memoryUsed) + " de " + std::to_string(capacity);
    if (const auto full = StationMemoryFullAt(*status, capacity)) {
      row[kStationMemory] += ", llena el " + LocalTimeText(*full);
    }
  }
  if (status->batteryPercent) {
    char percent[32];
    std::snprintf(percent, sizeof percent, "%.0f %%", *status->batteryPercent);
    row[kStationBattery] = percent;
  }
  if (status->clockDriftSeconds) {
    const std::int64_t drift = *status->clockDriftSeconds;
    row[kStationDrift] = (drift > 0 ? "+" : "") + std::to_string(drift);
  }
  row[kStationLastDownload] = TimeOrDash(status->lastDownloadAt);
  row[kStationNextDownload] = TimeOrDash(status->nextDownloadAt);
  row[kStationProblem] = status->problem;
  return row;
}
