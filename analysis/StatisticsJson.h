// The statistics of a download as one JSON object for programs: "humidity" and "temperature"
// (count, min, min_at, max, max_at, mean, stdev), "dew_point" (min, max, mean, skipped), "mkt_c",
// and "limits" with one entry per channel whose limits are set (low, high, below, above,
// percent_outside, minutes_outside). Figures are exact; a figure that does not exist (the spread of
// one sample, a time stamp the download lacks) is null.
#pragma once

#include <string>

#include "analysis/SampleStatistics.h"

namespace analysis {

std::string StatisticsJson(const SampleTable& table, const DownloadStatistics& statistics,
                           const LimitSettings& limits);

// The figures' texts for people (the summary, `stats` without --json): two decimals.
constexpr int kStatisticsDecimals = 2;

}  // namespace analysis
