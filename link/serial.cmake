# Serial port component, its watch thread, the hand-off to the user-interface thread and the POSIX
# back end. No Qt.
add_library(velmorante_serial STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CPort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CPort.h
  ${CMAKE_CURRENT_LIST_DIR}/ComPortErrors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComSettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComThread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComThread.h
  ${CMAKE_CURRENT_LIST_DIR}/PosixSerialBackend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PosixSerialBackend.h
  ${CMAKE_CURRENT_LIST_DIR}/SerialArbitrarySpeed.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialSystem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialSystem.h
  ${CMAKE_CURRENT_LIST_DIR}/SettingAssign.h
  ${CMAKE_CURRENT_LIST_DIR}/UiHandOff.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UiHandOff.h
)
target_include_directories(velmorante_serial PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velmorante_serial PUBLIC Threads::Threads)
