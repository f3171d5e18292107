# SPDX-License-Identifier: MIT
# Cross-builds for 64-bit Windows with Debian's MinGW-w64 toolchain (the
# posix threading flavour, which std::thread and GoogleTest need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MARLOX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MARLOX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MARLOX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MARLOX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MARLOX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C++ runtime, libgcc and winpthread go in
# statically, so nothing beside the program has to be shipped.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# Tests run under Wine when it is there; 'wine' picks the 64-bit loader.
find_program(MARLOX_WINE NAMES wine wine64)
if(MARLOX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${MARLOX_WINE}")
endif()

# Header-only libraries from the build machine's Debian packages serve the
# target as well; only their own directories are exposed, never /usr/include.
set(MARLOX_HOST_HEADERS "${CMAKE_BINARY_DIR}/host-headers")
foreach(library dtl)
  if(EXISTS "/usr/include/${library}" AND NOT EXISTS "${MARLOX_HOST_HEADERS}/${library}")
    file(MAKE_DIRECTORY "${MARLOX_HOST_HEADERS}")
    file(CREATE_LINK "/usr/include/${library}" "${MARLOX_HOST_HEADERS}/${library}" SYMBOLIC)
  endif()
endforeach()
set(CMAKE_CXX_FLAGS_INIT "-isystem ${MARLOX_HOST_HEADERS}")
