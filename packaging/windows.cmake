# SPDX-License-Identifier: MIT
# The Windows zip, made by `cpack -G ZIP` in the Windows build: both
# programs, the Qt DLLs and plug-ins the window loads (what a deployment
# tool would put beside it), the MinGW runtime DLLs they need, and the
# licences. The Qt DLLs stay separate files, so they can be replaced.
install(TARGETS marlox marlox-cli RUNTIME DESTINATION .)
install(FILES ${MARLOX_QT_DLLS} ${MARLOX_MINGW_DLLS} DESTINATION .)
install(FILES "${MARLOX_QT_PLUGINS}/platforms/qwindows.dll" DESTINATION platforms)
install(FILES "${MARLOX_QT_PLUGINS}/styles/qwindowsvistastyle.dll" DESTINATION styles)
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/README.txt" DESTINATION .)
file(GLOB qt_licences "${MARLOX_QT_PREFIX}/licenses/*.txt")
if(NOT qt_licences)
  message(FATAL_ERROR "Qt for Windows in ${MARLOX_QT_PREFIX} carries no licence texts")
endif()
install(FILES ${qt_licences} DESTINATION licenses/Qt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME marlox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
set(CPACK_PACKAGE_FILE_NAME marlox-${CPACK_PACKAGE_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
