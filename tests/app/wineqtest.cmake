# SPDX-License-Identifier: MIT
# Runs one window suite under Wine: Wine passes no QT_* variable on, so the
# platform comes as an argument, and a program without a console writes no
# test log to standard output, so the log goes to a file that is shown.
# usage: cmake -DWINE=... -DSUITE=... -P wineqtest.cmake
get_filename_component(dir "${SUITE}" DIRECTORY)
set(log "${dir}/qtest.log")
file(REMOVE "${log}")
execute_process(COMMAND "${WINE}" "${SUITE}" -platform offscreen -o "Z:${log},txt"
                WORKING_DIRECTORY "${dir}" RESULT_VARIABLE status)
if(EXISTS "${log}")
  file(READ "${log}" text)
  message("${text}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SUITE} failed (${status})")
endif()
