# SPDX-License-Identifier: MIT
# Included before any target exists when MARLOX_FUZZ is on: the whole build
# gets coverage for libFuzzer and AddressSanitizer and UBSan, which stop at
# their first report.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR
    "MARLOX_FUZZ needs Clang with libFuzzer, but the C++ compiler is "
    "${CMAKE_CXX_COMPILER_ID} (${CMAKE_CXX_COMPILER}). Use the fuzz preset "
    "(cmake --preset fuzz), which takes clang++-14, or set CMAKE_CXX_COMPILER to a clang++.")
endif()

include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS "-fsanitize=fuzzer")
check_cxx_source_compiles(
  "#include <cstddef>
   #include <cstdint>
   extern \"C\" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }"
  MARLOX_HAVE_LIBFUZZER)
unset(CMAKE_REQUIRED_FLAGS)
if(NOT MARLOX_HAVE_LIBFUZZER)
  message(FATAL_ERROR
    "${CMAKE_CXX_COMPILER} cannot link with -fsanitize=fuzzer; install its libFuzzer "
    "runtime (Debian: libclang-rt-14-dev for clang-14, scripts/setup does).")
endif()

add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                    -fno-sanitize-recover=all)
add_link_options(-fsanitize=address,undefined)
