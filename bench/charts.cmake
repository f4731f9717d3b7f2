# Chart redraw benchmark (run by hand with QT_QPA_PLATFORM=offscreen: it is not a test).
if(VELMORANTE_GUI)
  find_package(benchmark REQUIRED)
  add_executable(velmorante_chart_bench ${CMAKE_CURRENT_SOURCE_DIR}/ChartRedrawBench.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/QtBenchmarkMain.cpp)
  target_link_libraries(velmorante_chart_bench PRIVATE velmorante_charts Qt6::Test benchmark::benchmark)
endif()
