if(VELMORANTE_GUI)
  add_executable(velmorante_charts_tests
    ChartsTestMain.cpp
    ChartLogicTest.cpp
    LineChartTest.cpp
    ChartWindowTest.cpp)
  target_link_libraries(velmorante_charts_tests
    PRIVATE velmorante_charts velmorante_widgets velmorante_error_report Qt6::Test GTest::gtest)
  gtest_discover_tests(velmorante_charts_tests
    PROPERTIES ENVIRONMENT "${VELMORANTE_TEST_ENV}" TIMEOUT 60
    DISCOVERY_TIMEOUT 60)
endif()
