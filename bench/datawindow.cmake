# Data window fill benchmark (run by hand: it is not a test).
if(VELMORANTE_GUI)
  find_package(benchmark REQUIRED)
  add_executable(velmorante_datawindow_bench ${CMAKE_CURRENT_SOURCE_DIR}/DataWindowBench.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/QtBenchmarkMain.cpp)
  target_include_directories(velmorante_datawindow_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/data)
  target_link_libraries(velmorante_datawindow_bench PRIVATE velmorante_data_ui benchmark::benchmark)
endif()
