# "Radova.dic", the detailed readings of single characters, generated at
# build time from Debian's Unihan (unicode-data), IPADIC source
# (mecab-ipadic) and KANJIDIC (kanjidic) by speech/make_radova_dic.py, and
# shipped beside the program. The release takes MIRELON_RADOVA_FILE from
# the build folder.
set(MIRELON_RADOVA_FILE Radova.dic CACHE INTERNAL "detailed readings shipped beside the program")

find_program(MIRELON_PYTHON3 python3 REQUIRED)
set(MIRELON_RADOVA_PATH ${CMAKE_BINARY_DIR}/${MIRELON_RADOVA_FILE}
    CACHE INTERNAL "the generated dictionary, beside mirelon.exe")
# The Unihan lines it is made from, for the tests that check it.
set(MIRELON_RADOVA_UNIHAN ${CMAKE_BINARY_DIR}/radova-unihan.txt CACHE INTERNAL "")

set(generator ${PROJECT_SOURCE_DIR}/speech/make_radova_dic.py)
add_custom_command(
  OUTPUT ${MIRELON_RADOVA_PATH}
  COMMAND ${MIRELON_PYTHON3} ${generator} ${MIRELON_RADOVA_PATH}
  DEPENDS ${generator}
  COMMENT "Generating ${MIRELON_RADOVA_FILE}"
  VERBATIM)
add_custom_command(
  OUTPUT ${MIRELON_RADOVA_UNIHAN}
  COMMAND ${MIRELON_PYTHON3} ${generator} --extract-unihan ${MIRELON_RADOVA_UNIHAN}
  DEPENDS ${generator}
  VERBATIM)
add_custom_target(radova_dic ALL DEPENDS ${MIRELON_RADOVA_PATH})
add_custom_target(radova_unihan DEPENDS ${MIRELON_RADOVA_UNIHAN})
