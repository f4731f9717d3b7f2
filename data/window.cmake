# The data window: the downloaded samples as a table, saved to a text file on request.
if(VELMORANTE_GUI)
  add_library(velmorante_data_ui STATIC
    Unit5.cpp Unit5.h
    SampleTableModel.cpp SampleTableModel.h
    GridCellDelegate.cpp GridCellDelegate.h
    ButtonPictures.cpp ButtonPictures.h
    TableFileWriter.cpp TableFileWriter.h)
  target_include_directories(velmorante_data_ui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(velmorante_data_ui PUBLIC velmorante_decode velmorante_error_report Qt6::Widgets)
endif()
