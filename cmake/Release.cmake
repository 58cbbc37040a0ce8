# The Windows release: what `cmake --install` puts into the package folder
# that scripts/package zips and makes the Windows Installer package of (the
# one list of what a release holds). Every file the program loads beside
# itself is installed here, with the licence of every third-party file
# shipped.

# Everything the release takes from the build tree; scripts/package builds
# this target and nothing else.
add_custom_target(mirelon_release)
add_dependencies(mirelon_release mirelon mirelon-cli radova_dic)

# The program and the headless runner.
install(TARGETS mirelon mirelon-cli RUNTIME DESTINATION .)

# The words and readings of the braille translator.
set(ipadic_files)
foreach(f IN LISTS MIRELON_IPADIC_FILES)
  list(APPEND ipadic_files ${MIRELON_IPADIC_DIR}/${f})
endforeach()
install(FILES ${ipadic_files} DESTINATION ${MIRELON_IPADIC_FOLDER})

# The detailed readings of single characters (generated at build time).
install(FILES ${MIRELON_RADOVA_PATH} DESTINATION .)

# The kantenji table that keyboard braille input reads; its licence texts go
# into the licence folder with the others.
foreach(entry IN LISTS MIRELON_KANTENJI_FILES)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 source)
  list(GET parts 1 name)
  if(name STREQUAL MIRELON_KANTENJI_TABLE)
    install(FILES ${source} DESTINATION .)
  else()
    install(FILES ${source} DESTINATION licenses RENAME ${name})
  endif()
endforeach()

# For the user: what the program is and how to begin.
install(FILES ${PROJECT_SOURCE_DIR}/resources/readme-ja.txt DESTINATION . RENAME "はじめにお読みください.txt")

# Licences of what is linked into the program or shipped beside it.
install(FILES ${CMAKE_BINARY_DIR}/mecab/src/BSD DESTINATION licenses RENAME "MeCab-BSD.txt")
install(FILES /usr/share/doc/mecab-ipadic/copyright DESTINATION licenses RENAME "IPADIC.txt")
install(FILES /usr/share/doc/unicode-data/copyright DESTINATION licenses RENAME "Unihan.txt")
install(FILES /usr/share/doc/kanjidic/copyright DESTINATION licenses RENAME "KANJIDIC.txt")
install(FILES /usr/share/doc/mingw-w64-x86-64-dev/copyright DESTINATION licenses RENAME "mingw-w64-runtime.txt")
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION licenses RENAME "GCC-runtime-library.txt")
install(FILES ${PROJECT_SOURCE_DIR}/resources/licenses-ja.txt DESTINATION licenses RENAME "README.txt")
