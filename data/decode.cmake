# Decoding of a download text into the data table, and the saved-file format: plain C++.
add_library(velmorante_decode STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/SampleDecoder.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/DownloadLines.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TimeStamps.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ChannelValueText.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/SavedFileFormat.cpp)
target_include_directories(velmorante_decode PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velmorante_decode PRIVATE velmorante_protocol)
