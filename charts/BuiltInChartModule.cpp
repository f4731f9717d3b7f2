// Compiled into programs that link the chart code directly (tests, benchmarks): the chart window
// then uses that code instead of opening the module's file, so that there is one copy of it.
#include "charts/ChartModule.h"
#include "charts/PlotChartModule.h"
#include "window_base/ModuleLoader.h"

namespace {

[[maybe_unused]] const bool registered = [] {
  RegisterBuiltInModule("velmorante-charts", [] { return static_cast<void*>(&PlotChartModule()); });
  return true;
}();

}  // namespace
