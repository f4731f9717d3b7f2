#include "data/ImpossibleReadings.h"

#include <chrono>

#include "data/ChannelValueText.h"

namespace {

// The logger's two-digit year is 2000 + yy; a start that is no day of the calendar or no time of
// day comes from a damaged header.
bool RealStart(const LoggerStart& s) {
  using namespace std::chrono;
  if (s.month < 1 || s.month > 12 || s.day < 1 || s.year < 0) return false;
  const year_month_day date{year(2000 + s.year), month(static_cast<unsigned>(s.month)),
                            day(static_cast<unsigned>(s.day))};
  return date.ok() && s.hour >= 0 && s.hour <= 23 && s.minute >= 0 && s.minute <= 59 &&
         s.second >= 0 && s.second <= 59;
}

}  // namespace

ImpossibleReading FindImpossibleReading(const SampleTable& table) {
  using Kind = ImpossibleReading::Kind;
  if (table.start && !RealStart(*table.start)) return {Kind::kStart, 0, 0};
  // The values of the lowest and highest 12-bit readings, computed as the decoder computes every
  // value: the formulas rise with the reading, so a value beyond them is a reading beyond 0..4095.
  constexpr int kHighestReading = 4095;
  const double lowestHumidity = HumidityFromReading(0);
  const double highestHumidity = HumidityFromReading(kHighestReading);
  const double lowestTemperature = TemperatureFromReading(0);
  const double highestTemperature = TemperatureFromReading(kHighestReading);
  for (std::size_t k = 0; k < table.samples.size(); ++k) {
    const SampleNumbers& s = table.samples[k];
    if (!s.hasValues) continue;
    if (s.humidity < lowestHumidity || s.humidity > highestHumidity)
      return {Kind::kHumidity, k + 1, s.humidity};
    if (s.temperature < lowestTemperature || s.temperature > highestTemperature)
      return {Kind::kTemperature, k + 1, s.temperature};
  }
  return {};
}
