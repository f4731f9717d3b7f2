// What the logger's 12-bit readings (0 to 4095) can give on each channel, in the one-decimal
// figures the table shows: relative humidity (0 - 620) / 24.8 to (4095 - 620) / 24.8 %, temperature
// (0 - 500) / 10 to (4095 - 500) / 10 degrees Celsius. A value outside comes from no reading: a
// saved table holding one is refused, and so is a limit that no sample could ever reach.
#pragma once

struct SensorRange {
  double lowest;
  double highest;
  bool Holds(double value) const { return value >= lowest && value <= highest; }
};

inline constexpr SensorRange kHumidityRange{-25.0, 140.1};     // %
inline constexpr SensorRange kTemperatureRange{-50.0, 359.5};  // degrees Celsius
