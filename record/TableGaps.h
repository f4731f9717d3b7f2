// Where a table's samples leave time unrecorded: between two consecutive stamped samples farther
// apart than the rate they were taken at, or not in time order at all (recordings that overlap).
// A chart breaks its line there and never shades an excursion across. Plain C++, no Qt.
#pragma once

#include <cstddef>
#include <vector>

#include "data/SampleTable.h"

namespace record {

// The time between samples `first` and `next` (indexes into the table's samples, `first` before
// `next`) in which nothing was recorded.
struct TableGap {
  std::size_t first = 0;
  std::size_t next = 0;
  // The time between the two samples less the rate of the one before; below zero when the samples
  // go back in time.
  double minutes = 0;
};

// The gaps between the table's samples that carry a time stamp and values, in sample order. The
// table's rate is the step expected; a table of several rates (rate 0) expects the slower of the
// steps next to each one, so that a change of rate is no gap. A table without time stamps has none.
std::vector<TableGap> TableGaps(const SampleTable& table);

}  // namespace record
