// The audit trail's action codes, as the archive keeps them; shared with the windows, which list
// entries without the database code.
#include <array>
#include <utility>

#include "archive/AuditTrail.h"

namespace {

constexpr std::array<std::pair<AuditAction, const char*>, 13> kActions{{
    {AuditAction::kDownload, "download"},
    {AuditAction::kSetClock, "set_clock"},
    {AuditAction::kSetRate, "set_rate"},
    {AuditAction::kStationAdd, "station_add"},
    {AuditAction::kStationChange, "station_change"},
    {AuditAction::kStationRemove, "station_remove"},
    {AuditAction::kRulesChange, "rules_change"},
    {AuditAction::kCalibrationChange, "calibration_change"},
    {AuditAction::kAlarmAck, "alarm_ack"},
    {AuditAction::kExport, "export"},
    {AuditAction::kReport, "report"},
    {AuditAction::kSign, "sign"},
    {AuditAction::kSignFailed, "sign_failed"},
}};

}  // namespace

const char* AuditActionCode(AuditAction action) {
  for (const auto& [a, code] : kActions)
    if (a == action) return code;
  return "";
}

std::optional<AuditAction> AuditActionFromCode(std::string_view code) {
  for (const auto& [action, c] : kActions)
    if (code == c) return action;
  return std::nullopt;
}
