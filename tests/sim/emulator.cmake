# The logger emulator on real pseudo-terminals, and velmorante-cli run against it end to end.
add_executable(logger_emulator_test
  ${CMAKE_CURRENT_SOURCE_DIR}/LoggerEmulatorTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/CliEndToEndTest.cpp)
target_link_libraries(logger_emulator_test PRIVATE
  velmorante_sim velmorante_protocol velmorante_decode GTest::gtest_main)
target_compile_definitions(logger_emulator_test PRIVATE
  VELMORANTE_CLI_PATH="$<TARGET_FILE:velmorante-cli>")
add_dependencies(logger_emulator_test velmorante-cli)
gtest_discover_tests(logger_emulator_test DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 60)
