# The line-chart component and the chart window.
if(VELMORANTE_GUI)
  add_library(velmorante_charts STATIC
    ChartMouseHandler.cpp ChartMouseHandler.h
    ChartMouseRules.cpp ChartMouseRules.h
    ChartPanel.cpp ChartPanel.h
    ChartPrintLayout.cpp ChartPrintLayout.h
    ChartPrintPreview.cpp ChartPrintPreview.h
    DecimalCommaNumber.cpp DecimalCommaNumber.h
    LineChart.cpp LineChart.h
    Unit6.cpp Unit6.h)
  target_include_directories(velmorante_charts PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(velmorante_charts
    PUBLIC Qt6::Widgets Qt6::PrintSupport QCustomPlotQt6::QCustomPlotQt6
    PRIVATE velmorante_widgets velmorante_error_report)
endif()
