// The alarms a station's record raises under a rule: its excursions that lasted long enough, found
// recording by recording. Plain C++, no Qt.
#pragma once

#include <string>
#include <vector>

#include "alarms/Alarm.h"
#include "record/RecordSelection.h"
#include "record/StationRecord.h"

// The raised excursions of every recording of `record`, both channels, as alarms of `station`
// (id 0, not live, with the rule's JSON and no raised-at time yet), ordered by their first sample's
// time stamp. An excursion does not run across two recordings: one still beyond at a recording's
// last sample is open, with no end.
std::vector<Alarm> RecordExcursionAlarms(const record::StationRecord& record, const AlarmRule& rule,
                                         const std::string& station);

// The same for one download's table, taken as one recording at the table's rate.
std::vector<Alarm> TableExcursionAlarms(const SampleTable& table, const AlarmRule& rule,
                                        const std::string& station);

// The alarms that overlap `window`: started by its end, and not ended by its start (the sample
// that ends an excursion is the first one back within the limit).
std::vector<Alarm> AlarmsInWindow(std::vector<Alarm> alarms, const record::TimeWindow& window);
