// The summary of a download as Spanish texts for the summary window and the report: one row per
// figure, a column for each of relative humidity, temperature and dew point, two decimals with a
// decimal comma, "—" where a figure does not apply or does not exist.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "analysis/SampleStatistics.h"

namespace analysis {

struct SummaryRow {
  std::string label;
  std::array<std::string, 3> cells;  // humedad, temperatura, punto de rocío
};

// "Humedad relativa (%)", "Temperatura (°C)", "Punto de rocío (°C)" (UTF-8).
std::array<std::string, 3> SummaryColumnTitles();

// Count, extremes with their time stamps, mean, standard deviation, dew point skipped, mean
// kinetic temperature, then the limits and the time outside them when limits are set.
std::vector<SummaryRow> SummaryRows(const SampleTable& table, const DownloadStatistics& statistics,
                                    const LimitSettings& limits);

// A figure with two decimals and a decimal comma; "—" for a number that does not exist.
std::string SpanishFigure(double value);

}  // namespace analysis
