// Statistics of a download, computed from the unrounded engineering values.
#include "analysis/SampleStatistics.h"

#include <cmath>
#include <limits>

namespace analysis {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kZeroCelsius = 273.15;

// Running count, extremes, mean and sum of squared deviations (Welford's update, which stays
// accurate when the values are large compared with their spread).
class ChannelAccumulator {
 public:
  void Add(double value, std::size_t sample) {
    ++result_.count;
    if (result_.count == 1 || value < result_.min) {
      result_.min = value;
      result_.minSample = sample;
    }
    if (result_.count == 1 || value > result_.max) {
      result_.max = value;
      result_.maxSample = sample;
    }
    const double delta = value - mean_;
    mean_ += delta / static_cast<double>(result_.count);
    squares_ += delta * (value - mean_);
  }

  ChannelStatistics Result() const {
    ChannelStatistics result = result_;
    result.mean = result.count > 0 ? mean_ : kNaN;
    result.stdev =
        result.count > 1 ? std::sqrt(squares_ / static_cast<double>(result.count - 1)) : kNaN;
    if (result.count == 0) result.min = result.max = kNaN;
    return result;
  }

 private:
  ChannelStatistics result_;
  double mean_ = 0;
  double squares_ = 0;
};

class LimitCounter {
 public:
  explicit LimitCounter(const ChannelLimits& limits) : limits_(limits) {}

  void Add(double value) {
    if (limits_.low && value < *limits_.low) ++result_.below;
    if (limits_.high && value > *limits_.high) ++result_.above;
  }

  std::optional<LimitStatistics> Result(std::size_t count, int rateMinutes) const {
    if (!limits_.IsSet()) return std::nullopt;
    LimitStatistics result = result_;
    const auto outside = static_cast<double>(result.below + result.above);
    result.percentOutside = count > 0 ? 100.0 * outside / static_cast<double>(count) : 0.0;
    if (rateMinutes > 0) result.minutesOutside = outside * rateMinutes;
    return result;
  }

 private:
  ChannelLimits limits_;
  LimitStatistics result_;
};

}  // namespace

std::optional<double> DewPoint(double relativeHumidity, double temperature) {
  if (!(relativeHumidity > 0)) return std::nullopt;
  const double gamma =
      std::log(relativeHumidity / 100.0) + kMagnusA * temperature / (kMagnusB + temperature);
  const double dewPoint = kMagnusB * gamma / (kMagnusA - gamma);
  if (!std::isfinite(dewPoint)) return std::nullopt;
  return dewPoint;
}

DownloadStatistics ComputeStatistics(const SampleTable& table, const LimitSettings& limits) {
  ChannelAccumulator humidity;
  ChannelAccumulator temperature;
  ChannelAccumulator dewPoint;
  LimitCounter humidityLimits(limits.humidity);
  LimitCounter temperatureLimits(limits.temperature);
  std::size_t dewPointSkipped = 0;
  // Sum of exp(-dH/R / T) in kelvin; every term lies in (0, 1) for temperatures above -273 C.
  double arrheniusSum = 0;

  for (std::size_t i = 0; i < table.samples.size(); ++i) {
    const SampleNumbers& sample = table.samples[i];
    if (!sample.hasValues) continue;
    humidity.Add(sample.humidity, i);
    temperature.Add(sample.temperature, i);
    humidityLimits.Add(sample.humidity);
    temperatureLimits.Add(sample.temperature);
    if (const std::optional<double> point = DewPoint(sample.humidity, sample.temperature)) {
      dewPoint.Add(*point, i);
    } else {
      ++dewPointSkipped;
    }
    arrheniusSum += std::exp(-kActivationOverGasConstant / (sample.temperature + kZeroCelsius));
  }

  DownloadStatistics result;
  result.humidity = humidity.Result();
  result.temperature = temperature.Result();
  const ChannelStatistics dew = dewPoint.Result();
  result.dewPoint = {dew.count, dewPointSkipped, dew.min, dew.max, dew.mean};
  const std::size_t count = result.temperature.count;
  result.mktCelsius = count > 0 ? kActivationOverGasConstant /
                                          -std::log(arrheniusSum / static_cast<double>(count)) -
                                      kZeroCelsius
                                : kNaN;
  result.humidityLimits = humidityLimits.Result(result.humidity.count, table.rateMinutes);
  result.temperatureLimits = temperatureLimits.Result(result.temperature.count, table.rateMinutes);
  return result;
}

}  // namespace analysis
