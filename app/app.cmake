# The program: start-up, the main window and its wiring to the other windows.
if(VELMORANTE_GUI)
  add_library(velmorante_mainwindow STATIC
    ModalWindow.cpp ModalWindow.h
    NoDisplayFallback.cpp NoDisplayFallback.h
    PanelColors.h
    PortAccessError.cpp PortAccessError.h
    ProcessFormats.cpp ProcessFormats.h
    ProgramWindows.cpp ProgramWindows.h
    Project1.cpp Project1.h
    QtHandOffPump.cpp QtHandOffPump.h
    RadioGroup.cpp RadioGroup.h
    ScreenshotTour.cpp ScreenshotTour.h
    StartupOptions.cpp StartupOptions.h
    StartupTiming.cpp StartupTiming.h
    Unit1.cpp Unit1.h Unit1Controls.cpp)
  target_include_directories(velmorante_mainwindow PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(velmorante_mainwindow PUBLIC
    velmorante_serial velmorante_protocol velmorante_link_ui velmorante_decode velmorante_sim
    velmorante_cli_lib velmorante_widgets velmorante_dialogs velmorante_data_ui velmorante_charts
    velmorante_error_report Qt6::Widgets)

  add_executable(velmorante main.cpp)
  target_link_libraries(velmorante PRIVATE velmorante_mainwindow)
endif()
