# SPDX-License-Identifier: MIT
target_sources(marlox_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/finddialog.h ${CMAKE_CURRENT_LIST_DIR}/finddialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dirchooser.h ${CMAKE_CURRENT_LIST_DIR}/dirchooser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/overwritebox.h ${CMAKE_CURRENT_LIST_DIR}/overwritebox.cpp
)
