// Stations' records laid on one time axis, with breaks where a station recorded nothing.
#include "record/StationComparison.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "analysis/StampText.h"
#include "record/StoreRecord.h"

namespace record {

namespace {

struct Point {
  std::int64_t at = 0;
  std::int64_t stepSeconds = 0;  // the sample's recording rate
  double temperature = 0;
  double humidity = 0;
};

bool InWindow(const TimeWindow& window, std::int64_t at) {
  return (!window.from || at >= *window.from) && (!window.to || at <= *window.to);
}

}  // namespace

bool Comparison::empty() const {
  return std::none_of(stations.begin(), stations.end(),
                      [](const ComparedStation& s) { return s.samples > 0; });
}

ComparedStation CompareStation(std::string name, const StationRecord& record,
                               const TimeWindow& window) {
  ComparedStation line;
  line.name = std::move(name);
  std::vector<Point> points;
  for (const Segment& segment : record.segments) {
    const std::int64_t step = std::int64_t{segment.rateMinutes} * 60;
    for (const SampleNumbers& sample : segment.samples) {
      // A place no download could read is skipped: the time step over it becomes a break.
      if (!sample.hasStamp || !sample.hasValues) continue;
      const std::int64_t at = analysis::WallClockSeconds(analysis::StampOf(sample));
      if (!InWindow(window, at)) continue;
      points.push_back({at, step, sample.temperature, sample.humidity});
    }
  }
  // Each recording is in time order already; recordings that overlap are merged.
  std::stable_sort(points.begin(), points.end(),
                   [](const Point& a, const Point& b) { return a.at < b.at; });

  const double nan = std::numeric_limits<double>::quiet_NaN();
  line.seconds.reserve(points.size());
  line.temperature.reserve(points.size());
  line.humidity.reserve(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Point& point = points[i];
    if (i > 0) {
      const Point& before = points[i - 1];
      // Consecutive samples lie one rate apart; the slower of two recordings' rates allows for a
      // change of rate between them.
      if (point.at - before.at > std::max(before.stepSeconds, point.stepSeconds)) {
        line.seconds.push_back(0.5 * static_cast<double>(before.at + point.at));
        line.temperature.push_back(nan);
        line.humidity.push_back(nan);
      }
    }
    line.seconds.push_back(static_cast<double>(point.at));
    line.temperature.push_back(point.temperature);
    line.humidity.push_back(point.humidity);
  }
  line.samples = points.size();
  return line;
}

Comparison CompareLines(std::vector<ComparedStation> lines) {
  Comparison comparison;
  comparison.stations = std::move(lines);
  bool any = false;
  for (const ComparedStation& line : comparison.stations) {
    if (line.seconds.empty()) continue;
    // A line starts and ends with a sample: breaks lie only between two.
    const double first = line.seconds.front();
    const double last = line.seconds.back();
    comparison.first = any ? std::min(comparison.first, first) : first;
    comparison.last = any ? std::max(comparison.last, last) : last;
    any = true;
  }
  return comparison;
}

Comparison ComparisonRecords::Compare(const std::function<ArchiveStore&()>& store,
                                      const std::vector<std::string>& stations,
                                      const TimeWindow& window) {
  ArchiveStore* opened = nullptr;
  std::vector<ComparedStation> lines;
  lines.reserve(stations.size());
  for (const std::string& name : stations) {
    auto found = records_.find(name);
    if (found == records_.end()) {
      if (opened == nullptr) opened = &store();
      std::optional<StationRecord> read = ReadStationRecord(*opened, name);
      found = records_.emplace(name, read ? std::move(*read) : StationRecord{}).first;
    }
    lines.push_back(CompareStation(name, found->second, window));
  }
  return CompareLines(std::move(lines));
}

}  // namespace record
