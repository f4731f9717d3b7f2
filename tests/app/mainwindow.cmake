# Tests of the main window: real widgets without a display, the logger emulator on a pseudo-terminal.
if(VELMORANTE_GUI)
  add_executable(mainwindow_test
    MainWindowTestMain.cpp
    MainWindowBench.cpp MainWindowBench.h
    MainWindowStatusTest.cpp
    MainWindowLinkTest.cpp
    MainWindowGeometryTest.cpp)
  target_link_libraries(mainwindow_test PRIVATE velmorante_mainwindow GTest::gtest Qt6::Test)
  gtest_discover_tests(mainwindow_test
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 60)
endif()
