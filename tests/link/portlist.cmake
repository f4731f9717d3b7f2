# List of serial ports, on a fake device tree (Qt-free).
add_executable(velmorante_portlist_tests ${CMAKE_CURRENT_LIST_DIR}/SerialPortListTest.cpp)
target_link_libraries(velmorante_portlist_tests PRIVATE velmorante_portlist GTest::gtest_main)
gtest_discover_tests(velmorante_portlist_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 60)
