// Per-station figures of a site's mapping, computed from each station's record and alarm rule.
#include "analysis/SiteMapping.h"

#include <algorithm>
#include <limits>

#include "alarms/ExcursionFinder.h"
#include "alarms/RecordExcursions.h"
#include "analysis/StampText.h"

namespace analysis {

namespace {

bool SetsLimit(const AlarmRule& rule, bool temperature, AlarmLevel level) {
  if (level == AlarmLevel::kAlarm)
    return temperature ? rule.temperatureLow || rule.temperatureHigh
                       : rule.humidityLow || rule.humidityHigh;
  return temperature ? rule.temperatureWarnLow || rule.temperatureWarnHigh
                     : rule.humidityWarnLow || rule.humidityWarnHigh;
}

// Minutes of the samples in `inPeriod` that lie within an excursion of `level`: from its first
// sample up to, not including, the one that ends it (to the end of the series when none does).
double MinutesBeyond(const std::vector<Excursion>& excursions, AlarmLevel level,
                     const std::vector<std::optional<double>>& values,
                     const std::vector<int>& minutesOf, const std::vector<char>& inPeriod) {
  // High and low excursions of one level may overlap when the hysteresis is wide: a sample
  // beyond both is counted once.
  std::vector<char> beyond(values.size(), 0);
  for (const Excursion& e : excursions) {
    if (e.level != level) continue;
    const std::size_t end = e.end.value_or(values.size());
    std::fill(beyond.begin() + static_cast<std::ptrdiff_t>(e.first),
              beyond.begin() + static_cast<std::ptrdiff_t>(end), 1);
  }
  double minutes = 0;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (beyond[i] && inPeriod[i] && values[i]) minutes += minutesOf[i];
  return minutes;
}

ChannelMapping MapChannel(const RecordSeries& series, const std::vector<char>& inPeriod,
                          bool temperature, const std::optional<AlarmRule>& rule) {
  std::vector<std::optional<double>> values;
  values.reserve(series.samples.size());
  for (const SampleNumbers* s : series.samples)
    values.push_back(s->hasValues ? std::optional(temperature ? s->temperature : s->humidity)
                                  : std::nullopt);
  ChannelMapping channel;
  double sum = 0;
  channel.min = std::numeric_limits<double>::infinity();
  channel.max = -std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!inPeriod[i] || !values[i]) continue;
    const double v = *values[i];
    ++channel.samples;
    sum += v;
    channel.min = std::min(channel.min, v);
    channel.max = std::max(channel.max, v);
  }
  if (channel.samples == 0) {
    channel.min = channel.max = 0;
  } else {
    channel.mean = sum / static_cast<double>(channel.samples);
  }
  if (!rule) return channel;
  const std::vector<Excursion> excursions =
      FindExcursions(values, temperature, *rule, series.minutesOf);
  if (SetsLimit(*rule, temperature, AlarmLevel::kAlarm))
    channel.minutesOutside =
        MinutesBeyond(excursions, AlarmLevel::kAlarm, values, series.minutesOf, inPeriod);
  if (SetsLimit(*rule, temperature, AlarmLevel::kWarning))
    channel.minutesOutsideWarning =
        MinutesBeyond(excursions, AlarmLevel::kWarning, values, series.minutesOf, inPeriod);
  return channel;
}

}  // namespace

StationMapping MapStation(std::string station, const record::StationRecord& record,
                          const std::optional<AlarmRule>& rule, const MappingPeriod& period) {
  const RecordSeries series = SeriesOf(record);
  // A sample without a time stamp cannot be placed in the period.
  std::vector<char> inPeriod;
  inPeriod.reserve(series.samples.size());
  for (const SampleNumbers* s : series.samples) {
    const std::int64_t at = WallClockSeconds(StampOf(*s));
    inPeriod.push_back(s->hasStamp && at >= period.from && at < period.to);
  }
  StationMapping row;
  row.station = std::move(station);
  row.hasRule = rule.has_value();
  row.humidity = MapChannel(series, inPeriod, false, rule);
  row.temperature = MapChannel(series, inPeriod, true, rule);
  return row;
}

void MarkExtremes(std::vector<StationMapping>& rows) {
  // Each extreme with the channel it reads, whether the highest or the lowest wins, and its mark.
  struct Extreme {
    ChannelMapping StationMapping::*channel;
    bool highest;
    bool StationMapping::*mark;
  };
  const Extreme extremes[] = {
      {&StationMapping::temperature, true, &StationMapping::hottest},
      {&StationMapping::temperature, false, &StationMapping::coldest},
      {&StationMapping::humidity, true, &StationMapping::mostHumid},
      {&StationMapping::humidity, false, &StationMapping::driest},
  };
  for (const Extreme& x : extremes) {
    std::optional<double> best;
    for (const StationMapping& row : rows) {
      const ChannelMapping& c = row.*x.channel;
      if (c.samples == 0) continue;
      const double v = x.highest ? c.max : c.min;
      if (!best || (x.highest ? v > *best : v < *best)) best = v;
    }
    for (StationMapping& row : rows) {
      const ChannelMapping& c = row.*x.channel;
      row.*x.mark = best && c.samples > 0 && (x.highest ? c.max : c.min) == *best;
    }
  }
}

}  // namespace analysis
