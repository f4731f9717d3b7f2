# The whole download path through a pseudo-terminal, unpaced and at the line's real pace.
find_package(benchmark REQUIRED)
add_executable(pty_download_bench ${CMAKE_CURRENT_SOURCE_DIR}/PtyDownloadBench.cpp)
target_link_libraries(pty_download_bench PRIVATE
  velmorante_cli_lib velmorante_sim velmorante_decode benchmark::benchmark)
