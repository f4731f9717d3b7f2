# libFuzzer targets for the reply interpreter and the sample decoder. The library sources are
# compiled into each fuzzer so that the fuzzer sees their coverage.
if(VELMORANTE_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(velmorante_fuzz_flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  set(velmorante_link_dir ${PROJECT_SOURCE_DIR}/link)
  set(velmorante_data_dir ${PROJECT_SOURCE_DIR}/data)

  add_executable(fuzz_interpreter ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_interpreter.cpp
    ${velmorante_link_dir}/LoggerProtocol.cpp ${velmorante_link_dir}/ReplyInterpreter.cpp)
  target_include_directories(fuzz_interpreter PRIVATE ${velmorante_link_dir})

  add_executable(fuzz_decoder ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_decoder.cpp
    ${velmorante_link_dir}/LoggerProtocol.cpp
    ${velmorante_data_dir}/SampleDecoder.cpp ${velmorante_data_dir}/DownloadLines.cpp
    ${velmorante_data_dir}/TimeStamps.cpp ${velmorante_data_dir}/ChannelValueText.cpp
    ${velmorante_data_dir}/SavedFileFormat.cpp)
  target_include_directories(fuzz_decoder PRIVATE ${velmorante_link_dir} ${velmorante_data_dir})

  foreach(fuzzer fuzz_interpreter fuzz_decoder)
    target_compile_options(${fuzzer} PRIVATE ${velmorante_fuzz_flags})
    target_link_options(${fuzzer} PRIVATE ${velmorante_fuzz_flags})
    set(seeds ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${fuzzer})
    # New inputs go to a corpus in the build folder, never into the checked-in seeds.
    set(work ${CMAKE_CURRENT_BINARY_DIR}/corpus-${fuzzer})
    file(MAKE_DIRECTORY ${work})
    add_test(NAME ${fuzzer}_corpus COMMAND ${fuzzer} -runs=0 ${seeds})
    add_test(NAME ${fuzzer}_bounded
      COMMAND ${fuzzer} -max_total_time=30 -rss_limit_mb=1024 -timeout=5
              -artifact_prefix=${CMAKE_CURRENT_BINARY_DIR}/${fuzzer}- ${work} ${seeds})
    set_tests_properties(${fuzzer}_corpus ${fuzzer}_bounded PROPERTIES LABELS fuzz TIMEOUT 180)
  endforeach()
endif()
