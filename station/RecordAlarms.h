// What a station's whole record says about its kept alarms: the excursions it raises under the
// rule and the gaps between its recordings, set against the alarms kept already, as the alarms to
// raise and the kept ones to change. The record is the authority: an alarm found from status
// replies is confirmed by it, moved to the record's start, or corrected when the record shows no
// such excursion. Plain values in and out; the caller keeps the result.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "alarms/Alarm.h"
#include "record/StationRecord.h"

struct RecordAlarmChanges {
  std::vector<Alarm> raise;   // new alarms (id 0)
  std::vector<Alarm> update;  // kept alarms (their id) with the fields the record gives
};

// `kept` holds the station's kept alarms (of every kind; the conditions other than gaps are left
// alone). Without a rule, only gaps are looked for and no excursion is corrected.
RecordAlarmChanges RecordAlarms(const record::StationRecord& record,
                                const std::optional<AlarmRule>& rule, const std::string& station,
                                const std::vector<Alarm>& kept);
