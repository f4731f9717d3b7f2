// Correcting a station's record with the calibrations in force at each sample's time.
#include "record/RecordCalibration.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>

#include "analysis/StampText.h"
#include "record/RecordSelection.h"

namespace record {

namespace {

struct Period {
  std::int64_t from = 0;  // wall-clock seconds
  std::size_t calibration = 0;
};

void CorrectReading(const Calibration& calibration, Reading& reading) {
  reading.humidity = CorrectedHumidity(calibration, reading.humidity);
  reading.temperature = CorrectedTemperature(calibration, reading.temperature);
}

}  // namespace

void ApplyCalibrations(StationRecord& record, std::vector<Calibration> calibrations) {
  // Ordered by start, then as kept (by id), so that the one in force at a time is the last one
  // whose start is not after it.
  std::stable_sort(calibrations.begin(), calibrations.end(),
                   [](const Calibration& a, const Calibration& b) {
                     const std::string as = CalibrationStartText(a);
                     const std::string bs = CalibrationStartText(b);
                     return as != bs ? as < bs : a.id < b.id;
                   });
  std::vector<Period> periods;
  for (std::size_t i = 0; i < calibrations.size(); ++i) {
    // A start that cannot be read (never kept so) applies to nothing.
    if (const std::optional<std::int64_t> from =
            WallClockFromIso(CalibrationStartText(calibrations[i])))
      periods.push_back({*from, i});
  }
  std::vector<int> used(calibrations.size(), 0);  // its number in the record, from 1
  record.calibrations.clear();
  for (Segment& segment : record.segments) {
    std::vector<int> numberOf(segment.samples.size(), 0);
    for (std::size_t s = 0; s < segment.samples.size(); ++s) {
      SampleNumbers& sample = segment.samples[s];
      if (!sample.hasStamp || !sample.hasValues) continue;
      const std::int64_t at = analysis::WallClockSeconds(analysis::StampOf(sample));
      const auto after =
          std::upper_bound(periods.begin(), periods.end(), at,
                           [](std::int64_t t, const Period& p) { return t < p.from; });
      if (after == periods.begin()) continue;
      const std::size_t k = std::prev(after)->calibration;
      const Calibration& calibration = calibrations[k];
      if (used[k] == 0) {
        record.calibrations.push_back(calibration);
        used[k] = static_cast<int>(record.calibrations.size());
      }
      sample.humidity = CorrectedHumidity(calibration, sample.humidity);
      sample.temperature = CorrectedTemperature(calibration, sample.temperature);
      sample.calibration = used[k];
      numberOf[s] = used[k];
    }
    for (Conflict& conflict : segment.conflicts) {
      if (conflict.index == 0 || conflict.index > numberOf.size()) continue;
      const int number = numberOf[conflict.index - 1];
      if (number == 0) continue;
      const Calibration& calibration = record.calibrations[static_cast<std::size_t>(number - 1)];
      CorrectReading(calibration, conflict.kept);
      CorrectReading(calibration, conflict.other);
    }
  }
}

void ApplyCalibrations(SampleTable& table, std::vector<Calibration> calibrations) {
  if (calibrations.empty()) return;
  StationRecord record;
  Segment& segment = record.segments.emplace_back();
  segment.samples = std::move(table.samples);
  ApplyCalibrations(record, std::move(calibrations));
  table.samples = std::move(record.segments.front().samples);
  table.calibrations = std::move(record.calibrations);
}

}  // namespace record
