// Gaps found from the time stamps of a table's samples.
#include "record/TableGaps.h"

#include <algorithm>
#include <cstdint>

#include "analysis/StampText.h"

namespace record {

std::vector<TableGap> TableGaps(const SampleTable& table) {
  std::vector<std::size_t> indexes;
  std::vector<std::int64_t> seconds;
  for (std::size_t i = 0; i < table.samples.size(); ++i) {
    const SampleNumbers& sample = table.samples[i];
    if (!sample.hasStamp || !sample.hasValues) continue;
    indexes.push_back(i);
    seconds.push_back(analysis::WallClockSeconds(analysis::StampOf(sample)));
  }
  std::vector<TableGap> gaps;
  // step(k): from point k - 1 to point k.
  const auto step = [&](std::size_t k) { return seconds[k] - seconds[k - 1]; };
  for (std::size_t k = 1; k < seconds.size(); ++k) {
    const std::int64_t here = step(k);
    std::int64_t expected = std::int64_t{table.rateMinutes} * 60;
    std::int64_t before = expected;  // the rate of the samples before the gap
    if (table.rateMinutes <= 0) {
      // Neighbouring steps that go forward tell the rates on either side.
      const std::int64_t previous = k >= 2 && step(k - 1) > 0 ? step(k - 1) : 0;
      const std::int64_t following = k + 1 < seconds.size() && step(k + 1) > 0 ? step(k + 1) : 0;
      expected = std::max(previous, following);
      before = previous > 0 ? previous : following;
      if (expected == 0) expected = here;  // nothing to compare with: only going back is a gap
    }
    if (here > 0 && here <= expected) continue;
    gaps.push_back({indexes[k - 1], indexes[k], static_cast<double>(here - before) / 60.0});
  }
  return gaps;
}

}  // namespace record
