# Decode and download-collection benchmarks (run by hand: they are not tests).
find_package(benchmark REQUIRED)
add_executable(velmorante_decode_bench ${CMAKE_CURRENT_SOURCE_DIR}/DecodeBench.cpp)
target_link_libraries(velmorante_decode_bench PRIVATE velmorante_decode velmorante_protocol
  benchmark::benchmark)
