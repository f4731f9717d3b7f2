# Fails when a folder below the windows includes a header of app/, or when a Qt-free folder includes
# Qt or a header of a Qt folder. Run as: cmake -DROOT=<source folder> -P IncludeRules.cmake
set(failures "")
foreach(folder link link_ui data data_ui charts window_base widgets sim cli archive analysis station record alarms notify central)
  file(GLOB_RECURSE sources "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]app/")
    if(lines)
      list(APPEND failures "${source} includes from app/: ${lines}")
    endif()
  endforeach()
endforeach()
# The Qt-free folders: a Qt include there, or one of a folder built on Qt, would tie the core to the
# windows.
set(qt_folders "link_ui|data_ui|window_base|widgets|charts|app")
foreach(folder link sim cli archive analysis data station record alarms notify central)
  file(GLOB_RECURSE sources "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" lines
         REGEX "^[ \t]*#[ \t]*include[ \t]*(<Q|[<\"](${qt_folders})/)")
    if(lines)
      list(APPEND failures "${source} is in a Qt-free folder but includes Qt: ${lines}")
    endif()
  endforeach()
endforeach()
if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
