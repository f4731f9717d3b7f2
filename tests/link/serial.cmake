# Serial port component, watch thread and hand-off, on real pseudo-terminals.
add_executable(velmorante_serial_tests
  ${CMAKE_CURRENT_LIST_DIR}/PseudoTerminal.h
  ${CMAKE_CURRENT_LIST_DIR}/SerialPortTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialSettingsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialWatchTest.cpp
)
target_link_libraries(velmorante_serial_tests PRIVATE velmorante_serial GTest::gtest_main util)
gtest_discover_tests(velmorante_serial_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 60)
