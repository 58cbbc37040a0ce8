# MeCab and the IPADIC dictionary, which give the braille translator its
# words and readings.
#
# Native builds use Debian's libmecab-dev. The Windows build cross-builds
# MeCab once per build tree as a static library from Debian's source package
# (cmake/build-mecab-mingw.sh) and ships the compiled IPADIC dictionary of
# mecab-ipadic-utf8 (the same bytes on every platform) in a folder beside
# the program.

# The dictionary files the Windows program ships, in the folder
# MIRELON_IPADIC_FOLDER beside the executable. The release takes this list.
set(MIRELON_IPADIC_FILES char.bin dicrc matrix.bin sys.dic unk.dic
    CACHE INTERNAL "IPADIC files shipped beside the Windows program")
set(MIRELON_IPADIC_FOLDER ipadic CACHE INTERNAL "folder of the IPADIC files beside the program")

find_path(MIRELON_IPADIC_DIR sys.dic
          PATHS /var/lib/mecab/dic/ipadic-utf8 /usr/lib/x86_64-linux-gnu/mecab/dic/ipadic-utf8
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# Links MeCab into `target` (PUBLIC).
function(mirelon_link_mecab target)
  if(WIN32)
    set(root ${CMAKE_BINARY_DIR}/mecab)
    set(lib ${root}/lib/libmecab.a)
    file(MAKE_DIRECTORY ${root}/include)
    add_custom_command(
      OUTPUT ${lib} ${root}/include/mecab.h
      COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/build-mecab-mingw.sh ${root}
              ${CMAKE_C_COMPILER} ${CMAKE_CXX_COMPILER}
      DEPENDS ${PROJECT_SOURCE_DIR}/cmake/build-mecab-mingw.sh
      COMMENT "Cross-building MeCab (once per build tree)"
      USES_TERMINAL)
    add_custom_target(mecab_mingw DEPENDS ${lib})
    add_library(mecab_static STATIC IMPORTED GLOBAL)
    set_target_properties(mecab_static PROPERTIES
      IMPORTED_LOCATION ${lib}
      INTERFACE_INCLUDE_DIRECTORIES ${root}/include
      INTERFACE_COMPILE_DEFINITIONS MECAB_STATIC)
    add_dependencies(mecab_static mecab_mingw)
    add_dependencies(${target} mecab_mingw)
    target_link_libraries(${target} PUBLIC mecab_static)
  else()
    find_path(MECAB_INCLUDE_DIR mecab.h REQUIRED)
    find_library(MECAB_LIBRARY mecab REQUIRED)
    target_include_directories(${target} PUBLIC ${MECAB_INCLUDE_DIR})
    target_link_libraries(${target} PUBLIC ${MECAB_LIBRARY})
  endif()
endfunction()

# Copies the dictionary into the folder beside each of the given programs
# that the build has (Windows only; other builds name the system's folder).
# Called once the whole tree is configured, so that the programs exist.
function(mirelon_ship_ipadic)
  if(NOT WIN32)
    return()
  endif()
  set(sources)
  foreach(f IN LISTS MIRELON_IPADIC_FILES)
    list(APPEND sources ${MIRELON_IPADIC_DIR}/${f})
  endforeach()
  foreach(program IN LISTS ARGN)
    if(TARGET ${program})
      set(dest $<TARGET_FILE_DIR:${program}>/${MIRELON_IPADIC_FOLDER})
      add_custom_target(${program}_ipadic ALL
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dest}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${sources} ${dest}
        VERBATIM)
      add_dependencies(${program} ${program}_ipadic)
    endif()
  endforeach()
endfunction()
