# SPDX-License-Identifier: MIT
# The core's suites in the Windows build, run under Wine.

# Suites built on POSIX processes, users and permissions are left out; on
# Windows scripts/test-windows runs the CLI end to end instead.
set(MARLOX_POSIX_ONLY_SUITES cli_tests compare_cli_tests cli_filter_tests merge_cli_tests
    savetarget_tests folders_cli_tests)

# Under Wine every read is a round trip to its server: the loops that read
# one file thousands of times in small pieces take minutes there and test
# nothing of the platform that the other cases do not.
set(MARLOX_WINE_SLOW_CASES
    LoadFromFile.AnyPieceSize* SearchFile.* FindTextInLargeObjects.*
    ChunkSizes/FindTextAcrossChunks.*/8)

function(marlox_windows_suites)
  foreach(suite IN LISTS MARLOX_POSIX_ONLY_SUITES)
    if(TARGET ${suite})
      set_target_properties(${suite} PROPERTIES EXCLUDE_FROM_ALL ON)
      set_tests_properties(${suite} PROPERTIES DISABLED ON)
    endif()
  endforeach()
  list(JOIN MARLOX_WINE_SLOW_CASES ":" slow)
  set_tests_properties(vexafile_tests PROPERTIES ENVIRONMENT "GTEST_FILTER=-${slow}")
  if(TARGET onepassfind_tests)
    set_tests_properties(onepassfind_tests PROPERTIES ENVIRONMENT
                         "GTEST_FILTER=-OnePassFind.EveryPieceSize*")
  endif()
endfunction()
# Once every suite of this directory is declared.
cmake_language(DEFER CALL marlox_windows_suites)
