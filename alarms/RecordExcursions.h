// The alarms a station's record raises under a rule: its excursions that lasted long enough, found
// over its recordings in time order. Plain C++, no Qt.
#pragma once

#include <string>
#include <vector>

#include "alarms/Alarm.h"
#include "record/RecordSelection.h"
#include "record/StationRecord.h"

// The raised excursions of every recording of `record`, both channels, as alarms of `station`
// (id 0, not live, with the rule's JSON and no raised-at time yet), ordered by their first sample's
// time stamp. The recordings are one series in the order of their samples: an excursion still
// beyond at a recording's last sample runs on into the next recording (a reset of the logger's
// memory does not end it), and one still beyond at the record's last sample is open, with no end.
std::vector<Alarm> RecordExcursionAlarms(const record::StationRecord& record, const AlarmRule& rule,
                                         const std::string& station);

// A record's samples as the one series its excursions are found over: the recordings with samples
// ordered by their first sample's time stamp, and beside each sample the minutes of its recording's
// rate. The pointers point into `record`, which must outlive the series.
struct RecordSeries {
  std::vector<const SampleNumbers*> samples;
  std::vector<int> minutesOf;
};
RecordSeries SeriesOf(const record::StationRecord& record);

// The same for one download's table, taken as one recording at the table's rate.
std::vector<Alarm> TableExcursionAlarms(const SampleTable& table, const AlarmRule& rule,
                                        const std::string& station);

// The alarms that overlap `window`: started by its end, and not ended by its start (the sample
// that ends an excursion is the first one back within the limit).
std::vector<Alarm> AlarmsInWindow(std::vector<Alarm> alarms, const record::TimeWindow& window);
