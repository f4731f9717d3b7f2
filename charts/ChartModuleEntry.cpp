// The entry of the chart module's file, which the program opens at run time.
#include <QtGlobal>

#include "charts/ChartModule.h"
#include "charts/PlotChartModule.h"

extern "C" Q_DECL_EXPORT void* VelmoranteChartModule() {
  return &PlotChartModule();
}
