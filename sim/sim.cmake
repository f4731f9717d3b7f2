# Logger emulator: a library the tests and the program's demo mode use, and a program around it.
add_library(velmorante_sim STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/LoggerEmulator.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LoggerCurves.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LoggerText.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/PtyEndpoint.cpp)
target_include_directories(velmorante_sim PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velmorante_sim PUBLIC Threads::Threads PRIVATE util)

add_executable(velmorante-logger ${CMAKE_CURRENT_SOURCE_DIR}/LoggerMain.cpp)
target_link_libraries(velmorante-logger PRIVATE velmorante_sim)
