# Widget tests of the rate, set-clock, about and help windows, run without a display.
if(VELMORANTE_GUI)
  add_executable(dialogs_test
    DialogsTestMain.cpp
    RateDialogTest.cpp
    ClockDialogTest.cpp
    HelpTextTest.cpp
    DialogGeometryTest.cpp)
  target_link_libraries(dialogs_test PRIVATE velmorante_dialogs GTest::gtest Qt6::Test)
  gtest_discover_tests(dialogs_test
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 60)
endif()
