// Statistics against values worked out independently: published dew-point tables, a mean kinetic
// temperature computed by hand, and a small download whose mean and spread are easy to check.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>

#include "analysis/SampleStatistics.h"
#include "analysis/StatisticsJson.h"
#include "analysis/SummaryRows.h"
#include "tests/analysis/AnalysisTestTables.h"

using analysis::ComputeStatistics;
using analysis::DewPoint;
using analysis::DownloadStatistics;
using analysis_test::Decoded;
using analysis_test::HumidityReading;
using analysis_test::TemperatureReading;

namespace {

// Start 15/03/2012 14:45:30, every 5 minutes.
const char kHeader1[] = "012003015030";
const char kHeader2[] = "045014002000";

// Temperatures 20, 30, 25, 30 °C at 50, 60, 80, 60 % relative humidity.
SampleTable FourSamples() {
  return Decoded(kHeader1, kHeader2,
                 {{HumidityReading(50), TemperatureReading(20)},
                  {HumidityReading(60), TemperatureReading(30)},
                  {HumidityReading(80), TemperatureReading(25)},
                  {HumidityReading(60), TemperatureReading(30)}});
}

}  // namespace

TEST(StatisticsTest, DewPointMatchesPublishedTables) {
  // Tables of the Magnus formula give these to a tenth of a degree.
  EXPECT_NEAR(*DewPoint(50, 20), 9.3, 0.06);
  EXPECT_NEAR(*DewPoint(60, 25), 16.7, 0.06);
  EXPECT_NEAR(*DewPoint(80, 30), 26.2, 0.06);
  EXPECT_NEAR(*DewPoint(90, 35), 33.1, 0.06);
  EXPECT_NEAR(*DewPoint(100, 0), 0.0, 1e-12);  // saturated air: the dew point is the temperature
  EXPECT_NEAR(*DewPoint(50, -10), -18.5, 0.06);
  EXPECT_FALSE(DewPoint(0, 20));
  EXPECT_FALSE(DewPoint(-4.35, 20));
}

TEST(StatisticsTest, MeanKineticTemperatureWorkedByHand) {
  // 20 and 30 °C: exp(-10000/293.15) = 1.5298e-15, exp(-10000/303.15) = 4.7129e-15, mean
  // 3.1214e-15, -ln = 33.4005, 10000 / 33.4005 = 299.40 K = 26.25 °C (above the mean of 25, as
  // the warmer hours weigh more).
  const SampleTable table = Decoded(kHeader1, kHeader2,
                                    {{HumidityReading(50), TemperatureReading(20)},
                                     {HumidityReading(50), TemperatureReading(30)}});
  EXPECT_NEAR(ComputeStatistics(table).mktCelsius, 26.26, 0.01);
  // A constant temperature is its own mean kinetic temperature.
  const SampleTable steady = Decoded(kHeader1, kHeader2,
                                     {{HumidityReading(50), TemperatureReading(-12.5)},
                                      {HumidityReading(70), TemperatureReading(-12.5)}});
  EXPECT_NEAR(ComputeStatistics(steady).mktCelsius, -12.5, 1e-9);
}

TEST(StatisticsTest, ChannelFiguresLimitsAndTheirJson) {
  const SampleTable table = FourSamples();
  analysis::LimitSettings limits;
  limits.temperature = {21.0, 29.0};
  limits.humidity = {std::nullopt, 60.0};  // 60 % itself is inside
  const DownloadStatistics s = ComputeStatistics(table, limits);

  EXPECT_EQ(s.temperature.count, 4u);
  EXPECT_DOUBLE_EQ(s.temperature.min, 20.0);
  EXPECT_DOUBLE_EQ(s.temperature.max, 30.0);
  EXPECT_EQ(s.temperature.maxSample, 1u);  // the first of the two maxima
  EXPECT_DOUBLE_EQ(s.temperature.mean, 26.25);
  EXPECT_NEAR(s.temperature.stdev, std::sqrt(68.75 / 3), 1e-12);  // n - 1
  EXPECT_NEAR(s.humidity.mean, 62.5, 1e-9);

  ASSERT_TRUE(s.temperatureLimits);
  EXPECT_EQ(s.temperatureLimits->below, 1u);
  EXPECT_EQ(s.temperatureLimits->above, 2u);
  EXPECT_DOUBLE_EQ(s.temperatureLimits->percentOutside, 75.0);
  EXPECT_EQ(s.temperatureLimits->minutesOutside, 15.0);  // 3 samples of 5 minutes
  ASSERT_TRUE(s.humidityLimits);
  EXPECT_EQ(s.humidityLimits->above, 1u);  // 80 %, not the 60 % on the limit

  // The JSON carries every figure unrounded: each number reads back to the very double.
  const nlohmann::json json = nlohmann::json::parse(analysis::StatisticsJson(table, s, limits));
  EXPECT_EQ(json["humidity"]["min"], 50.0);
  EXPECT_EQ(json["humidity"]["min_at"], "2012-03-15T14:50:30");
  EXPECT_EQ(json["humidity"]["max_at"], "2012-03-15T15:00:30");
  EXPECT_EQ(json["humidity"]["stdev"].get<double>(), s.humidity.stdev);
  EXPECT_EQ(json["temperature"]["mean"], 26.25);
  EXPECT_EQ(json["temperature"]["stdev"].get<double>(), s.temperature.stdev);
  EXPECT_EQ(json["dew_point"]["mean"].get<double>(), s.dewPoint.mean);
  EXPECT_EQ(json["dew_point"]["skipped"], 0);
  EXPECT_EQ(json["mkt_c"].get<double>(), s.mktCelsius);
  EXPECT_NEAR(json["mkt_c"].get<double>(), 27.07, 0.005);
  EXPECT_TRUE(json["limits"]["humidity"]["low"].is_null());
  EXPECT_EQ(json["limits"]["humidity"]["above"], 1);
  EXPECT_EQ(json["limits"]["temperature"]["percent_outside"], 75.0);
  EXPECT_EQ(json["limits"]["temperature"]["minutes_outside"], 15.0);
}

TEST(StatisticsTest, DryUnreadableAndMissingSamplesAreLeftOutNotGuessed) {
  // The second sample reads below 0 % (no dew point); the third line holds a letter, so it and
  // everything after it have no values. The rate code 0 gives no time stamps and no minutes.
  const std::string text = "012003015030\r\n045014000000\r\n" +
                           analysis_test::SampleLine(HumidityReading(50), TemperatureReading(20)) +
                           "\r\n" + analysis_test::SampleLine(512, TemperatureReading(10)) +
                           "\r\n007068X02223\r\n007068002223\r\nA";
  const SampleTable table = SampleDecoder().Decode(text);
  ASSERT_TRUE(table.error);
  analysis::LimitSettings limits;
  limits.humidity = {0.0, std::nullopt};
  const DownloadStatistics s = ComputeStatistics(table, limits);
  EXPECT_EQ(s.humidity.count, 2u);
  EXPECT_EQ(s.dewPoint.count, 1u);
  EXPECT_EQ(s.dewPoint.skipped, 1u);
  ASSERT_TRUE(s.humidityLimits);
  EXPECT_EQ(s.humidityLimits->below, 1u);
  EXPECT_FALSE(s.humidityLimits->minutesOutside);
  const nlohmann::json json = nlohmann::json::parse(analysis::StatisticsJson(table, s, limits));
  EXPECT_TRUE(json["humidity"]["min_at"].is_null());
  EXPECT_TRUE(json["limits"]["humidity"]["minutes_outside"].is_null());

  // No samples at all: every figure is absent, never a made-up zero.
  const SampleTable empty = Decoded(kHeader1, kHeader2, {});
  const DownloadStatistics none = ComputeStatistics(empty);
  EXPECT_EQ(none.temperature.count, 0u);
  EXPECT_EQ(analysis::StatisticsJson(empty, none, {}),
            "{\n"
            "  \"humidity\": {\"count\":0,\"min\":null,\"min_at\":null,\"max\":null,"
            "\"max_at\":null,\"mean\":null,\"stdev\":null},\n"
            "  \"temperature\": {\"count\":0,\"min\":null,\"min_at\":null,\"max\":null,"
            "\"max_at\":null,\"mean\":null,\"stdev\":null},\n"
            "  \"dew_point\": {\"min\":null,\"max\":null,\"mean\":null,\"skipped\":0},\n"
            "  \"mkt_c\": null\n"
            "}\n");
  for (const analysis::SummaryRow& row : analysis::SummaryRows(empty, none, {}))
    for (const std::string& cell : row.cells) EXPECT_EQ(cell.find("nan"), std::string::npos);
}
