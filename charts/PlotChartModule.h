// The chart module's implementation of ChartModule, on the line chart, its print preview and the
// report page.
#pragma once

class ChartModule;

// The one instance, for the module's entry and for programs that link the chart code in.
ChartModule& PlotChartModule();
