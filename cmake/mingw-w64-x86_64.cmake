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

# marlox-cli.exe and the core's suites take the C++ runtime in statically
# (src/cli and tests/core ask for it); the window shares the runtime DLLs
# that the Qt DLLs load, so that one runtime serves both.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# Qt for Windows, as scripts/build-qt-windows installs it: its packages are
# found under its prefix, its tools (moc, rcc, uic) are the host's own.
if(MARLOX_QT_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH "${MARLOX_QT_PREFIX}")
  list(APPEND CMAKE_PREFIX_PATH "${MARLOX_QT_PREFIX}")
  set(QT_HOST_PATH /usr)
  set(Qt6HostInfo_DIR /usr/lib/x86_64-linux-gnu/cmake/Qt6HostInfo)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MARLOX_QT_PREFIX)

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
