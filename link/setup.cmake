# Serial setup dialog (Qt).
if(VELMORANTE_GUI)
  add_library(velmorante_link_ui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CPortSetup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CPortSetup.h)
  target_include_directories(velmorante_link_ui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(velmorante_link_ui PUBLIC velmorante_serial velmorante_portlist Qt6::Widgets)
endif()
