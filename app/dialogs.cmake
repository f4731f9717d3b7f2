# The small windows opened from the main window: rate and set-clock dialogs, about and help.
if(VELMORANTE_GUI)
  add_library(velmorante_dialogs STATIC
    FormLook.cpp FormLook.h
    MakerDetails.h
    ProgramPicture.cpp ProgramPicture.h
    Unit2.cpp Unit2.h
    Unit3.cpp Unit3.h
    Unit7.cpp Unit7.h
    Unit8.cpp Unit8.h)
  target_include_directories(velmorante_dialogs PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(velmorante_dialogs PUBLIC Qt6::Widgets velmorante_protocol
                                                  velmorante_error_report)
endif()
