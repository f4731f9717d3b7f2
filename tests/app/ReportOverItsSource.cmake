# velmorante --report SOURCE --out FILE where FILE is the capture read, by its name or through a
# link: refused with exit status 2, and the capture (perhaps the only copy) left as it was.
# Run with -DPROGRAM=velmorante -DFOLDER=a folder of its own.
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
set(capture "${FOLDER}/descarga-sin-archivar-1.txt")
set(text "012003015030\r\n045014002000\r\n007068002223\r\n007069002226\r\n")
file(WRITE "${capture}" "${text}")
file(SHA256 "${capture}" before)
file(CREATE_LINK "${capture}" "${FOLDER}/enlace.txt" SYMBOLIC)
foreach(out "${capture}" "${FOLDER}/enlace.txt")
  execute_process(COMMAND "${PROGRAM}" --report "${capture}" --out "${out}"
                  RESULT_VARIABLE status ERROR_VARIABLE errors TIMEOUT 60)
  if(NOT status EQUAL 2)
    message(FATAL_ERROR "--out ${out}: exit status ${status}, not 2: ${errors}")
  endif()
  file(SHA256 "${capture}" after)
  if(NOT after STREQUAL before)
    message(FATAL_ERROR "--out ${out}: the capture was written over")
  endif()
endforeach()
file(REMOVE_RECURSE "${FOLDER}")
