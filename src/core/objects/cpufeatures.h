// SPDX-License-Identifier: MIT
// Whether the processor runs AVX2 or AVX-512 code, asked once. The build targets plain
// x86-64, so the scans that read every byte of a file keep an AVX2 variant
// or AVX-512 variant of their loop beside the SSE2 one and choose at run time.
#pragma once

#if defined(__GNUC__) && defined(__x86_64__)
#define VEXA_HAVE_AVX2_VARIANT 1
#define VEXA_TARGET_AVX2 __attribute__((target("avx2")))
#define VEXA_TARGET_AVX512 __attribute__((target("avx512f,avx512bw")))

inline bool HaveAvx2() {
  static const bool have = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return have;
}

inline bool HaveAvx512() {
  static const bool have = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0;
  }();
  return have;
}
#endif
