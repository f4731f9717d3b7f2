// What a decoded download can hold that no working logger sends: a start that is no real date or
// time of day (month 13, minute 75), or a channel value whose reading lies beyond the sensor's
// 12 bits (0 to 4095; a line's fields could give up to 999 x 256 + 999). The decode shows such a
// download as it came; the exports and statistics refuse it rather than pass it on as data.
#pragma once

#include <cstddef>

#include "data/SampleTable.h"

struct ImpossibleReading {
  enum class Kind { kNone, kStart, kHumidity, kTemperature };
  Kind kind = Kind::kNone;
  std::size_t sample = 0;  // the sample (1 for the first) whose value is beyond the sensor
  double value = 0;        // that value, as decoded

  explicit operator bool() const { return kind != Kind::kNone; }
};

// The first such thing in `table` as the decoder made it from a download (before any calibration
// corrects its values): the start first, then the samples in order. Kind kNone when there is none.
ImpossibleReading FindImpossibleReading(const SampleTable& table);
