# Cross-building the Windows program on Linux with mingw-w64 (posix threads); tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TAV_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest starts the test programs through Wine. wine64 itself, not the `wine` wrapper, which
# looks for a 32-bit Wine first.
if(EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
else()
  find_program(TAV_WINE64 NAMES wine64 wine)
  if(TAV_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TAV_WINE64})
  endif()
endif()
