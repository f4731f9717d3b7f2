# The logger's wire protocol and the interpreter of what it sends: plain C++, no serial port needed.
add_library(velmorante_protocol STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/LoggerProtocol.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ReplyInterpreter.cpp)
target_include_directories(velmorante_protocol PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
