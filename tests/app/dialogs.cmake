# SPDX-License-Identifier: MIT
marlox_qtest(tst_dialogs ${CMAKE_CURRENT_LIST_DIR}/tst_dialogs.cpp)
