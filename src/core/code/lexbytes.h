// SPDX-License-Identifier: MIT
// Byte classes of object text sixteen bytes at a time, for the lexer and
// the passes over its lines; internal to this library.
#pragma once

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define CAL_HAVE_SSE2 1
#endif

namespace cal::detail {

#ifdef CAL_HAVE_SSE2
// Bytes 0..15 of block that are at most max after subtracting low.
inline unsigned InRange(__m128i block, char low, char max) {
  const __m128i shifted = _mm_sub_epi8(block, _mm_set1_epi8(low));
  return unsigned(
      _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(shifted, _mm_set1_epi8(max)), shifted)));
}

inline unsigned WordBytes(__m128i block) {
  const __m128i lower = _mm_or_si128(block, _mm_set1_epi8(0x20));
  return InRange(lower, 'a', 'z' - 'a') | InRange(block, '0', 9) |
         unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('_'))));
}

inline __m128i Load16(const char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

inline __m128i Is(__m128i v, char c) {
  return _mm_cmpeq_epi8(v, _mm_set1_epi8(c));
}
#endif

}  // namespace cal::detail
