// Choosing a time window of a station's record and laying its recordings end to end.
#include "record/RecordSelection.h"

#include <algorithm>

#include "analysis/StampText.h"

namespace record {

namespace {

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::int64_t SecondsOf(const SampleNumbers& sample) {
  return analysis::WallClockSeconds(analysis::StampOf(sample));
}

bool InWindow(const TimeWindow& window, const SampleNumbers& sample) {
  if (!sample.hasStamp) return false;
  const std::int64_t at = SecondsOf(sample);
  return (!window.from || at >= *window.from) && (!window.to || at <= *window.to);
}

// Keeps the calibrations that samples of `table` carry, numbered anew from 1 in their order.
void KeepCalibrationsUsed(std::vector<Calibration>&& calibrations, SampleTable& table) {
  std::vector<int> renumbered(calibrations.size() + 1, 0);
  for (SampleNumbers& sample : table.samples) {
    if (sample.calibration < 0 ||
        static_cast<std::size_t>(sample.calibration) > calibrations.size())
      sample.calibration = 0;  // names no calibration of the record
    renumbered[static_cast<std::size_t>(sample.calibration)] = 1;
  }
  renumbered[0] = 0;
  for (std::size_t k = 1; k < renumbered.size(); ++k) {
    if (renumbered[k] == 0) continue;
    table.calibrations.push_back(std::move(calibrations[k - 1]));
    renumbered[k] = static_cast<int>(table.calibrations.size());
  }
  for (SampleNumbers& sample : table.samples)
    sample.calibration = renumbered[static_cast<std::size_t>(sample.calibration)];
}

}  // namespace

std::optional<std::int64_t> WallClockFromIso(std::string_view text) {
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':')
    return std::nullopt;
  analysis::Stamp stamp;
  if (!Digits(text, 0, 4, stamp.year) || !Digits(text, 5, 2, stamp.month) ||
      !Digits(text, 8, 2, stamp.day) || !Digits(text, 11, 2, stamp.hour) ||
      !Digits(text, 14, 2, stamp.minute) || !Digits(text, 17, 2, stamp.second))
    return std::nullopt;
  if (stamp.month < 1 || stamp.month > 12 || stamp.day < 1 ||
      stamp.day > DaysInMonth(stamp.year, stamp.month) || stamp.hour > 23 || stamp.minute > 59 ||
      stamp.second > 59)
    return std::nullopt;
  return analysis::WallClockSeconds(stamp);
}

RecordSelection SelectRecord(StationRecord&& record, const TimeWindow& window) {
  RecordSelection selection;
  SampleTable& table = selection.table;
  std::size_t total = 0;
  for (const Segment& segment : record.segments) total += segment.samples.size();
  table.samples.reserve(total);

  const SampleNumbers* lastBefore = nullptr;  // the previous recording's last sample chosen
  int lastRate = 0;
  SampleNumbers lastKept;
  for (Segment& segment : record.segments) {
    const std::vector<SampleNumbers>& samples = segment.samples;
    // Samples of a recording are in time order: the window is one run of them.
    const auto first = std::find_if(samples.begin(), samples.end(),
                                    [&](const SampleNumbers& s) { return InWindow(window, s); });
    const auto end = std::find_if(first, samples.end(),
                                  [&](const SampleNumbers& s) { return !InWindow(window, s); });
    if (first != end) {
      if (selection.recordings == 0) {
        table.start = segment.start;
        table.rateMinutes = segment.rateMinutes;
      } else if (table.rateMinutes != segment.rateMinutes) {
        table.rateMinutes = 0;
      }
      if (lastBefore != nullptr) {
        const double minutes =
            static_cast<double>(SecondsOf(*first) - SecondsOf(*lastBefore)) / 60.0 - lastRate;
        if (minutes != 0)
          selection.gaps.push_back({analysis::IsoText(analysis::StampOf(*lastBefore)),
                                    analysis::IsoText(analysis::StampOf(*first)), minutes});
      }
      const std::size_t offset = table.samples.size();
      const auto firstIndex = static_cast<std::size_t>(first - samples.begin());
      const auto endIndex = static_cast<std::size_t>(end - samples.begin());
      for (const Conflict& conflict : segment.conflicts) {
        if (conflict.index <= firstIndex || conflict.index > endIndex) continue;
        const SampleNumbers& sample = samples[conflict.index - 1];
        selection.conflicts.push_back({offset + conflict.index - firstIndex,
                                       analysis::IsoText(analysis::StampOf(sample)), conflict});
      }
      table.samples.insert(table.samples.end(), first, end);
      ++selection.recordings;
      lastKept = *(end - 1);
      lastBefore = &lastKept;
      lastRate = segment.rateMinutes;
    }
    segment.samples = {};
  }
  table.startRateMinutes = table.rateMinutes;
  KeepCalibrationsUsed(std::move(record.calibrations), table);
  record.segments.clear();
  selection.leftOut = std::move(record.leftOut);
  return selection;
}

}  // namespace record
