add_executable(velmorante_protocol_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/LoggerProtocolTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ReplyInterpreterTest.cpp)
target_link_libraries(velmorante_protocol_tests PRIVATE velmorante_protocol GTest::gtest_main)
gtest_discover_tests(velmorante_protocol_tests DISCOVERY_TIMEOUT 60)
