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

  # Without a display a mistyped option is still reported as such, not as the missing display.
  add_test(NAME StartupWithoutDisplay.MistypedOptionIsReported
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            --unset=QT_QPA_PLATFORM $<TARGET_FILE:velmorante> --prot /dev/ttyUSB0)
  set_tests_properties(StartupWithoutDisplay.MistypedOptionIsReported PROPERTIES
    PASS_REGULAR_EXPRESSION "prot" TIMEOUT 30)
endif()
