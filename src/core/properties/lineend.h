// SPDX-License-Identifier: MIT
// Where a line of an object text ends. The load looks for it in every line of
// a file, the property reading in the first lines of every object. Defines
// VEXA_HAVE_SSE2 where the SSE2 intrinsics are there.
#pragma once

#include <cstddef>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VEXA_HAVE_SSE2 1
#endif

// Offset of the first CR, LF or NUL at or after from, or size.
inline std::size_t FindLineEnd(const char* data, std::size_t from, std::size_t size) {
  std::size_t i = from;
#ifdef VEXA_HAVE_SSE2
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  for (; i + 16 <= size; i += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)),
                                _mm_cmpeq_epi8(block, nul));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i < size; ++i) {
    char c = data[i];
    if (c == '\r' || c == '\n' || c == '\0') return i;
  }
  return size;
}
