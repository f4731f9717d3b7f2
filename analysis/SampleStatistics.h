// The summary of a download on its exact values: per channel count, extremes with the sample where
// each first occurs, mean and sample standard deviation; dew point; mean kinetic temperature; and,
// when limits are set, how many samples lie outside them and for how long.
#pragma once

#include <cstddef>
#include <optional>

#include "data/SampleDecoder.h"

namespace analysis {

// Magnus formula constants (over water) and the activation energy over the gas constant used for
// the mean kinetic temperature.
constexpr double kMagnusA = 17.62;
constexpr double kMagnusB = 243.12;                     // degrees Celsius
constexpr double kActivationOverGasConstant = 10000.0;  // kelvin (83.144 kJ/mol)

struct ChannelStatistics {
  std::size_t count = 0;
  double min = 0, max = 0, mean = 0;
  double stdev = 0;           // n - 1 in the denominator; NaN below two samples
  std::size_t minSample = 0;  // index into SampleTable::samples of the first minimum
  std::size_t maxSample = 0;  // ... and of the first maximum
};

struct DewPointStatistics {
  std::size_t count = 0;    // samples with a dew point
  std::size_t skipped = 0;  // samples with values but relative humidity <= 0
  double min = 0, max = 0, mean = 0;
};

// Optional low and high limit of one channel; a value equal to a limit is inside.
struct ChannelLimits {
  std::optional<double> low;
  std::optional<double> high;
  bool IsSet() const { return low.has_value() || high.has_value(); }
};

struct LimitStatistics {
  std::size_t below = 0;
  std::size_t above = 0;
  double percentOutside = 0;             // of the channel's count; 0 without samples
  std::optional<double> minutesOutside;  // samples outside x the rate; none when rate unknown
};

struct LimitSettings {
  ChannelLimits humidity;
  ChannelLimits temperature;
};

struct DownloadStatistics {
  ChannelStatistics humidity;
  ChannelStatistics temperature;
  DewPointStatistics dewPoint;
  double mktCelsius = 0;                          // NaN without temperatures
  std::optional<LimitStatistics> humidityLimits;  // present when those limits are set
  std::optional<LimitStatistics> temperatureLimits;
};

// Dew point in degrees Celsius of air at `temperature` with `relativeHumidity` percent; nothing for
// a humidity of zero or below (or a result that is not a finite number).
std::optional<double> DewPoint(double relativeHumidity, double temperature);

// Every figure above, in one pass over the samples that carry values; linear in their number.
DownloadStatistics ComputeStatistics(const SampleTable& table, const LimitSettings& limits = {});

}  // namespace analysis
