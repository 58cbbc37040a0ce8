# Helpers shared by the subsystem folders.

function(mirelon_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# Adds sources to mirelon_core. Files ending in _win32.cpp are built only
# for Windows, files ending in _posix.cpp only elsewhere.
function(mirelon_sources)
  foreach(src IN LISTS ARGN)
    set(path ${CMAKE_CURRENT_SOURCE_DIR}/${src})
    if(src MATCHES "_win32\\.(cpp|c|rc)$")
      if(WIN32)
        target_sources(mirelon_core PRIVATE ${path})
      endif()
    elseif(src MATCHES "_posix\\.(cpp|c)$")
      if(NOT WIN32)
        target_sources(mirelon_core PRIVATE ${path})
      endif()
    else()
      target_sources(mirelon_core PRIVATE ${path})
    endif()
  endforeach()
endfunction()

# Windows programs carry no MinGW runtime DLLs: a user's Windows has none.
function(mirelon_static_link target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
