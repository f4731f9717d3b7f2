// The chart window's two line charts: built into the window with their looks at its first showing,
// and filled from the decoded table's numbers.
#pragma once

class LineChart;
class TForm6;
struct SampleTable;

// Creates Chart1 (temperature) and Chart2 (humidity) in their places on `window` and sets Series1
// and LineSeries1 to their series.
void BuildWindowCharts(TForm6& window);

// Refills both charts, sample k at x = k - 1, the lines broken where the samples leave time
// unrecorded (see record::TableGaps), from the standard axes; temperature first, so that a
// failure there leaves the humidity chart as it was. Throws std::runtime_error ("'' is not a valid
// floating point value") at a sample whose line could not be decoded, as its empty cell would; the
// points before it stay.
void FillWindowCharts(LineChart& temperature, LineChart& humidity, const SampleTable* table);
