# The command-line tool: its commands in a library (the program's fallback without windows runs the
# demo from it) and the velmorante-cli program.
add_library(velmorante_cli_lib STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/AtomicFile.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/CliCommands.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/CliOutput.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LoggerSession.cpp)
target_include_directories(velmorante_cli_lib PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velmorante_cli_lib
  PUBLIC velmorante_serial velmorante_protocol velmorante_decode
  PRIVATE velmorante_sim velmorante_portlist)

add_executable(velmorante-cli ${CMAKE_CURRENT_SOURCE_DIR}/CliMain.cpp)
target_link_libraries(velmorante-cli PRIVATE velmorante_cli_lib)
