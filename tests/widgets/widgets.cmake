if(VELMORANTE_GUI)
  add_executable(velmorante_widgets_tests
    QtTestMain.cpp DecimalTextTest.cpp InstrumentWidgetsTest.cpp)
  target_link_libraries(velmorante_widgets_tests PRIVATE velmorante_widgets Qt6::Test GTest::gtest)
  gtest_discover_tests(velmorante_widgets_tests
    PROPERTIES ENVIRONMENT "${VELMORANTE_TEST_ENV}"
    DISCOVERY_TIMEOUT 60)
endif()
