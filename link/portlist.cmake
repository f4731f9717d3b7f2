# List of the machine's serial ports (Qt-free).
add_library(velmorante_portlist STATIC SerialPortList.cpp SerialPortList.h)
target_include_directories(velmorante_portlist PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
