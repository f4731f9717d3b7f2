// The mapping of a site over a period: every station side by side with, per channel, its extremes,
// mean, number of samples and time beyond its alarm limits, and the stations that hold the site's
// highest and lowest temperature and humidity marked. Plain C++, no Qt and no database.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "alarms/Alarm.h"
#include "record/StationRecord.h"

namespace analysis {

// A period on the uniform wall clock of WallClockSeconds: a sample stamped at `from` is in it, one
// stamped at `to` is not.
struct MappingPeriod {
  std::int64_t from = 0;
  std::int64_t to = 0;
};

struct ChannelMapping {
  std::size_t samples = 0;            // samples of the period with a value
  double min = 0, max = 0, mean = 0;  // meaningful only when there are samples
  // Minutes of the period's samples that lie in an excursion beyond one of the rule's alarm limits
  // of this channel, high or low, each sample counted once at its recording's rate; an excursion
  // too short to raise an alarm counts too. None when the rule sets no alarm limit for the channel.
  std::optional<double> minutesOutside;
  // The same for the rule's warning limits.
  std::optional<double> minutesOutsideWarning;
};

struct StationMapping {
  std::string station;
  bool hasRule = false;
  ChannelMapping humidity;     // relative humidity, %
  ChannelMapping temperature;  // degrees Celsius
  // Set by MarkExtremes: the station holds the site's highest temperature, its lowest, its highest
  // humidity or its lowest (every station that ties is marked).
  bool hottest = false;
  bool coldest = false;
  bool mostHumid = false;
  bool driest = false;
  bool HasSamples() const { return humidity.samples > 0 || temperature.samples > 0; }
};

// The row of `station` for `period` from its whole corrected record. Excursions are followed over
// the whole record, so that one running into the period from before it is beyond its limit from
// the period's first sample on, as the alarms see it; only the period's samples are counted.
StationMapping MapStation(std::string station, const record::StationRecord& record,
                          const std::optional<AlarmRule>& rule, const MappingPeriod& period);

// Marks the extremes of the site among the rows that have samples.
void MarkExtremes(std::vector<StationMapping>& rows);

}  // namespace analysis
