# liblouis's kantenji table (Debian's liblouis-data), which keyboard braille
# input reads at run time to turn kantenji chords into kanji. The Windows
# program carries the table, unmodified, beside itself with its licence
# texts; native builds read it where Debian installs it.

# What is shipped beside the Windows program: the table and its licence
# texts, each as the source path and the name it has there. The release
# takes this list.
set(MIRELON_KANTENJI_TABLE ja-kantenji.utb CACHE INTERNAL "kantenji table file name")
find_path(MIRELON_LOUIS_TABLES ${MIRELON_KANTENJI_TABLE}
          PATHS /usr/share/liblouis/tables
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(MIRELON_KANTENJI_FILES
    "${MIRELON_LOUIS_TABLES}/${MIRELON_KANTENJI_TABLE}|${MIRELON_KANTENJI_TABLE}"
    "/usr/share/doc/liblouis-data/copyright|liblouis-data-copyright.txt"
    "/usr/share/common-licenses/LGPL-2.1|LGPL-2.1.txt"
    CACHE INTERNAL "kantenji table and licence texts shipped beside the Windows program")

# Copies the table and its licence texts beside each of the given programs
# that the build has (Windows only). Called once the whole tree is
# configured, so that the programs exist.
function(mirelon_ship_kantenji)
  if(NOT WIN32)
    return()
  endif()
  foreach(program IN LISTS ARGN)
    if(TARGET ${program})
      set(commands)
      foreach(entry IN LISTS MIRELON_KANTENJI_FILES)
        string(REPLACE "|" ";" parts "${entry}")
        list(GET parts 0 source)
        list(GET parts 1 name)
        list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source}
             $<TARGET_FILE_DIR:${program}>/${name})
      endforeach()
      add_custom_target(${program}_kantenji ALL ${commands} VERBATIM)
      add_dependencies(${program} ${program}_kantenji)
    endif()
  endforeach()
endfunction()
