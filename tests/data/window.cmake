# Widget tests of the data window and its file saving, run without a display.
if(VELMORANTE_GUI)
  add_executable(data_window_test DataWindowTestMain.cpp DataWindowTest.cpp DataWindowDownloads.h)
  target_link_libraries(data_window_test PRIVATE velmorante_data_ui GTest::gtest)
  gtest_discover_tests(data_window_test
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 60)
endif()
