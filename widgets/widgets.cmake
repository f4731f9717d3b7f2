# Custom-painted instrument widgets of the panel windows.
if(VELMORANTE_GUI)
  add_library(velmorante_widgets STATIC
    ClockDisplay.cpp ClockDisplay.h
    ColorButton.cpp ColorButton.h
    DecimalText.cpp DecimalText.h
    GradientPanel.cpp GradientPanel.h
    IndicatorLamp.cpp IndicatorLamp.h
    InstrumentPainting.cpp InstrumentPainting.h
    LedBar.cpp LedBar.h
    PieGauge.cpp PieGauge.h
    RockerSwitch.cpp RockerSwitch.h
    ValueIndicator.cpp ValueIndicator.h)
  target_include_directories(velmorante_widgets PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(velmorante_widgets PUBLIC Qt6::Widgets)
endif()
