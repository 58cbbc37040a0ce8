# Helpers shared by the subsystem folders.

function(mirelon_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# Starts the static library of a layer, which the sources of this folder
# then go to (mirelon_sources). SEES: the source folders its files may
# include from; LINKS: the layers below that it uses. Called again with the
# name alone, a folder adds its sources to a layer started elsewhere.
function(mirelon_layer name)
  cmake_parse_arguments(L "" "" "SEES;LINKS" ${ARGN})
  if(NOT TARGET ${name})
    add_library(${name} STATIC)
    mirelon_warnings(${name})
    target_link_libraries(${name} PUBLIC ${L_LINKS} Threads::Threads)
    target_link_libraries(mirelon_core INTERFACE ${name})
    # The layer's view of the source tree: links to the folders it may use,
    # and nothing else.
    set(view ${CMAKE_BINARY_DIR}/layers/${name})
    file(MAKE_DIRECTORY ${view})
    file(GLOB present RELATIVE ${view} ${view}/*)
    foreach(folder IN LISTS present)
      if(NOT folder IN_LIST L_SEES)
        file(REMOVE ${view}/${folder})
      endif()
    endforeach()
    foreach(folder IN LISTS L_SEES)
      if(NOT EXISTS ${view}/${folder})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
      endif()
    endforeach()
    target_include_directories(${name} PRIVATE ${view})
  endif()
  set(MIRELON_LAYER ${name} PARENT_SCOPE)
endfunction()

# Adds sources to the folder's layer. Files ending in _win32.cpp are built
# only for Windows, files ending in _posix.cpp only elsewhere.
function(mirelon_sources)
  foreach(src IN LISTS ARGN)
    set(path ${CMAKE_CURRENT_SOURCE_DIR}/${src})
    if(src MATCHES "_win32\\.(cpp|c|rc)$")
      if(WIN32)
        target_sources(${MIRELON_LAYER} PRIVATE ${path})
      endif()
    elseif(src MATCHES "_posix\\.(cpp|c)$")
      if(NOT WIN32)
        target_sources(${MIRELON_LAYER} PRIVATE ${path})
      endif()
    else()
      target_sources(${MIRELON_LAYER} PRIVATE ${path})
    endif()
  endforeach()
endfunction()

# Windows programs carry no MinGW runtime DLLs: a user's Windows has none.
function(mirelon_static_link target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
