// The looks of the temperature and humidity charts, shared by the chart window and the report page.
#pragma once

#include "charts/LineChart.h"

// Against the sample number, as the chart window first shows them.
LineChartLook TemperatureChartLook();
LineChartLook HumidityChartLook();
