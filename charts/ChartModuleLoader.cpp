// Finds the chart module through the program's module loader.
#include "charts/ChartModule.h"
#include "window_base/ModuleLoader.h"

ChartModule& LoadChartModule() {
  return *static_cast<ChartModule*>(LoadModule("velmorante-charts", "VelmoranteChartModule"));
}
