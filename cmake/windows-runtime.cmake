# SPDX-License-Identifier: MIT
# The DLLs the window loads on Windows: Qt's, and the MinGW runtime that
# Qt's DLLs and the window share. They are copied into one folder of the
# build, which the window's suites find through WINEPATH, and the zip
# (packaging/windows.cmake) takes them from here.
set(MARLOX_WINDOWS_RUNTIME "${CMAKE_BINARY_DIR}/runtime")

set(MARLOX_QT_DLLS)
foreach(module Core Gui Widgets)
  get_target_property(dll Qt6::${module} IMPORTED_LOCATION_RELEASE)
  list(APPEND MARLOX_QT_DLLS "${dll}")
endforeach()
get_target_property(MARLOX_QT_TEST_DLL Qt6::Test IMPORTED_LOCATION_RELEASE)

set(MARLOX_MINGW_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "The MinGW runtime DLL ${dll} was not found (${CMAKE_CXX_COMPILER})")
  endif()
  list(APPEND MARLOX_MINGW_DLLS "${path}")
endforeach()

set(MARLOX_QT_PLUGINS "${MARLOX_QT_PREFIX}/plugins")
foreach(plugin platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll)
  if(NOT EXISTS "${MARLOX_QT_PLUGINS}/${plugin}")
    message(FATAL_ERROR "Qt for Windows in ${MARLOX_QT_PREFIX} has no plug-in ${plugin}")
  endif()
endforeach()

file(COPY ${MARLOX_QT_DLLS} ${MARLOX_QT_TEST_DLL} ${MARLOX_MINGW_DLLS}
     DESTINATION "${MARLOX_WINDOWS_RUNTIME}")
# Where a window suite finds the DLLs under Wine.
set(MARLOX_WINDOWS_TEST_ENV "WINEPATH=Z:${MARLOX_WINDOWS_RUNTIME}")
