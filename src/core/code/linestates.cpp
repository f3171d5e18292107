// SPDX-License-Identifier: MIT
#include "linestates.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "cpufeatures.h"
#include "lexbytes.h"

#ifdef VEXA_HAVE_AVX2_VARIANT
#include <immintrin.h>
#endif

namespace cal {

using namespace detail;

std::size_t LineEndFrom(std::string_view text, std::size_t start) {
#ifdef CAL_HAVE_SSE2
  // Lines are short: a few blocks find their end before a call to memchr
  // would have begun.
  for (; start + 16 <= text.size(); start += 16) {
    const __m128i block = Load16(text.data() + start);
    const auto breaks = unsigned(_mm_movemask_epi8(_mm_or_si128(
        _mm_cmpeq_epi8(block, _mm_set1_epi8('\n')), _mm_cmpeq_epi8(block, _mm_set1_epi8('\r')))));
    if (breaks != 0) return start + std::size_t(__builtin_ctz(breaks));
  }
#endif
  // Two searches for one byte each are faster than one for either byte.
  const char* begin = text.data() + start;
  const char* end = text.data() + text.size();
  if (const void* lf = std::memchr(begin, '\n', std::size_t(end - begin)))
    end = static_cast<const char*>(lf);
  if (const void* cr = std::memchr(begin, '\r', std::size_t(end - begin)))
    end = static_cast<const char*>(cr);
  return std::size_t(end - text.data());
}

namespace {

bool IsLineBreak(char c) {
  return c == '\n' || c == '\r';
}

// Whether the whole word at at, no word byte before it, is BEGIN, CASE or
// END in any case: the words that move code's state.
bool MovingWordAt(std::string_view text, std::size_t at) {
  const auto lower = [&](std::size_t i) { return i < text.size() ? char(text[i] | 0x20) : '\0'; };
  const auto ends = [&](std::size_t i) {
    return i >= text.size() || !IsWordChar(static_cast<unsigned char>(text[i]));
  };
  if (at > 0 && IsWordChar(static_cast<unsigned char>(text[at - 1]))) return false;
  switch (lower(at)) {
    case 'e': return lower(at + 1) == 'n' && lower(at + 2) == 'd' && ends(at + 3);
    case 'c':
      return lower(at + 1) == 'a' && lower(at + 2) == 's' && lower(at + 3) == 'e' && ends(at + 4);
    case 'b':
      return lower(at + 1) == 'e' && lower(at + 2) == 'g' && lower(at + 3) == 'i' &&
             lower(at + 4) == 'n' && ends(at + 5);
    default: return false;
  }
}

// Whether code in no comment may change its state at at: a string, a
// quoted name, a brace, // or (*, BEGIN, CASE or END; or an O that begins a
// line, which may be an object's header.
bool CodeStopAt(std::string_view text, std::size_t at) {
  const char c = text[at];
  const char next = at + 1 < text.size() ? text[at + 1] : '\0';
  switch (c) {
    case '\'':
    case '"':
    case '{':
    case '}': return true;
    case '/': return next == '/';
    case '(': return next == '*';
    case 'O': return at > 0 && IsLineBreak(text[at - 1]);
    default: return MovingWordAt(text, at);
  }
}

// The first place in [from, to) where stopAt holds, or to; blocks(i) tells
// the same of the 16 bytes from i on, as a mask, reading from i - 1 up to
// i + 16 + reach; lines between stops are passed over sixteen bytes at a time.
template <typename StopAt, typename Blocks>
std::size_t NextStop(std::string_view text, std::size_t from, std::size_t to, std::size_t reach,
                     StopAt stopAt, [[maybe_unused]] Blocks blocks) {
  std::size_t i = from;
  if (i == 0 && i < to) {
    if (stopAt(0)) return 0;
    i = 1;
  }
#ifdef CAL_HAVE_SSE2
  for (; i < to && i + 16 + reach <= text.size(); i += 16)
    if (const unsigned stop = blocks(i)) return std::min(to, i + std::size_t(__builtin_ctz(stop)));
#endif
  for (; i < to; ++i)
    if (stopAt(i)) return i;
  return to;
}

#ifdef VEXA_HAVE_AVX2_VARIANT
// The blocks of NextCodeStop and NextStructureStop 32 bytes at a time, where
// most of a search for uses goes: the same tests as their 16-byte blocks.
VEXA_TARGET_AVX2 inline __m256i Load32(const char* at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

VEXA_TARGET_AVX2 inline __m256i Is32(__m256i v, char c) {
  return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(c));
}

VEXA_TARGET_AVX2 inline unsigned InRange32(__m256i block, char low, char max) {
  const __m256i shifted = _mm256_sub_epi8(block, _mm256_set1_epi8(low));
  return unsigned(_mm256_movemask_epi8(
      _mm256_cmpeq_epi8(_mm256_min_epu8(shifted, _mm256_set1_epi8(max)), shifted)));
}

VEXA_TARGET_AVX2 inline unsigned WordBytes32(__m256i block) {
  const __m256i lower = _mm256_or_si256(block, _mm256_set1_epi8(0x20));
  return InRange32(lower, 'a', 'z' - 'a') | InRange32(block, '0', 9) |
         unsigned(_mm256_movemask_epi8(Is32(block, '_')));
}

VEXA_TARGET_AVX2 inline __m256i LineStartO32(__m256i block, __m256i before) {
  return _mm256_and_si256(Is32(block, 'O'),
                          _mm256_or_si256(Is32(before, '\n'), Is32(before, '\r')));
}

// Reads from data - 1 to data + 37.
VEXA_TARGET_AVX2 unsigned CodeStops32(const char* data) {
  const __m256i fold = _mm256_set1_epi8(0x20);
  const __m256i block = Load32(data);
  const __m256i before = Load32(data - 1);
  const __m256i n1 = Load32(data + 1);
  const __m256i l0 = _mm256_or_si256(block, fold);
  const __m256i l1 = _mm256_or_si256(n1, fold);
  const __m256i l2 = _mm256_or_si256(Load32(data + 2), fold);
  const __m256i l3 = _mm256_or_si256(Load32(data + 3), fold);
  const __m256i l4 = _mm256_or_si256(Load32(data + 4), fold);
  unsigned stop = unsigned(_mm256_movemask_epi8(_mm256_or_si256(
      _mm256_or_si256(_mm256_or_si256(Is32(block, '\''), Is32(block, '"')),
                      _mm256_or_si256(Is32(block, '{'), Is32(block, '}'))),
      _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(Is32(block, '/'), Is32(n1, '/')),
                                      _mm256_and_si256(Is32(block, '('), Is32(n1, '*'))),
                      LineStartO32(block, before)))));
  const unsigned end = unsigned(_mm256_movemask_epi8(
      _mm256_and_si256(_mm256_and_si256(Is32(l0, 'e'), Is32(l1, 'n')), Is32(l2, 'd'))));
  const unsigned kase = unsigned(
      _mm256_movemask_epi8(_mm256_and_si256(_mm256_and_si256(Is32(l0, 'c'), Is32(l1, 'a')),
                                            _mm256_and_si256(Is32(l2, 's'), Is32(l3, 'e')))));
  const unsigned begin = unsigned(_mm256_movemask_epi8(
      _mm256_and_si256(_mm256_and_si256(_mm256_and_si256(Is32(l0, 'b'), Is32(l1, 'e')),
                                        _mm256_and_si256(Is32(l2, 'g'), Is32(l3, 'i'))),
                       Is32(l4, 'n'))));
  // Whole words only: no word byte before, none right after.
  if ((end | kase | begin) != 0)
    stop |= ~WordBytes32(before) &
            ((end & ~WordBytes32(Load32(data + 3))) | (kase & ~WordBytes32(Load32(data + 4))) |
             (begin & ~WordBytes32(Load32(data + 5))));
  return stop;
}

// Reads from data - 1 to data + 35.
VEXA_TARGET_AVX2 unsigned StructureStops32(const char* data, bool codeNext) {
  const __m256i block = Load32(data);
  const __m256i before = Load32(data - 1);
  const __m256i n1 = Load32(data + 1);
  const __m256i l1 = _mm256_or_si256(n1, _mm256_set1_epi8(0x20));
  const __m256i brace = _mm256_set1_epi8(codeNext ? '{' : '[');
  return unsigned(_mm256_movemask_epi8(_mm256_or_si256(
      _mm256_or_si256(_mm256_or_si256(Is32(block, '['), Is32(block, ']')),
                      _mm256_cmpeq_epi8(block, brace)),
      _mm256_or_si256(
          _mm256_or_si256(
              _mm256_and_si256(Is32(block, '='), _mm256_or_si256(Is32(l1, 'b'), Is32(l1, 'v'))),
              _mm256_and_si256(
                  _mm256_and_si256(Is32(block, 'C'), Is32(n1, 'O')),
                  _mm256_and_si256(Is32(Load32(data + 2), 'D'), Is32(Load32(data + 3), 'E')))),
          LineStartO32(block, before)))));
}
#endif

// Runs blocks32 over [from, to) 32 bytes a step where the processor can and
// the bytes it reads lie in text; returns the first stop found, or where the
// narrower steps go on.
template <typename Blocks32>
std::size_t Stop32(std::string_view text, std::size_t& from, std::size_t to, std::size_t reach,
                   [[maybe_unused]] Blocks32 blocks32) {
#ifdef VEXA_HAVE_AVX2_VARIANT
  if (from == 0 || !HaveAvx2()) return std::string_view::npos;
  for (; from < to && from + 32 + reach <= text.size(); from += 32)
    if (const unsigned stop = blocks32(text.data() + from))
      return std::min(to, from + std::size_t(__builtin_ctz(stop)));
#endif
  return std::string_view::npos;
}

// The first place in [from, to) where CodeStopAt holds, or to.
std::size_t NextCodeStop(std::string_view text, std::size_t from, std::size_t to) {
  [[maybe_unused]] const char* data = text.data();
#ifdef VEXA_HAVE_AVX2_VARIANT
  if (const std::size_t at = Stop32(text, from, to, 5, CodeStops32); at != std::string_view::npos)
    return at;
#endif
  if (from >= to) return to;
  return NextStop(
      text, from, to, 5, [&](std::size_t at) { return CodeStopAt(text, at); },
      [&](std::size_t i) {
#ifdef CAL_HAVE_SSE2
        const __m128i fold = _mm_set1_epi8(0x20);
        const __m128i block = Load16(data + i);
        const __m128i before = Load16(data + i - 1);
        const __m128i n1 = Load16(data + i + 1);
        const __m128i n3 = Load16(data + i + 3);
        const __m128i n4 = Load16(data + i + 4);
        const __m128i l0 = _mm_or_si128(block, fold);
        const __m128i l1 = _mm_or_si128(n1, fold);
        const __m128i l2 = _mm_or_si128(Load16(data + i + 2), fold);
        const __m128i l3 = _mm_or_si128(n3, fold);
        const __m128i l4 = _mm_or_si128(n4, fold);
        unsigned stop = unsigned(_mm_movemask_epi8(_mm_or_si128(
            _mm_or_si128(_mm_or_si128(Is(block, '\''), Is(block, '"')),
                         _mm_or_si128(Is(block, '{'), Is(block, '}'))),
            _mm_or_si128(
                _mm_or_si128(_mm_and_si128(Is(block, '/'), Is(n1, '/')),
                             _mm_and_si128(Is(block, '('), Is(n1, '*'))),
                _mm_and_si128(Is(block, 'O'), _mm_or_si128(Is(before, '\n'), Is(before, '\r')))))));
        const unsigned end = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_and_si128(Is(l0, 'e'), Is(l1, 'n')), Is(l2, 'd'))));
        const unsigned kase = unsigned(_mm_movemask_epi8(_mm_and_si128(
            _mm_and_si128(Is(l0, 'c'), Is(l1, 'a')), _mm_and_si128(Is(l2, 's'), Is(l3, 'e')))));
        const unsigned begin = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_and_si128(_mm_and_si128(Is(l0, 'b'), Is(l1, 'e')),
                                                          _mm_and_si128(Is(l2, 'g'), Is(l3, 'i'))),
                                            Is(l4, 'n'))));
        // Whole words only: no word byte before, none right after.
        if ((end | kase | begin) != 0)
          stop |= ~WordBytes(before) & ((end & ~WordBytes(n3)) | (kase & ~WordBytes(n4)) |
                                        (begin & ~WordBytes(Load16(data + i + 5))));
        return stop;
#else
        return 0u;
#endif
      });
}

// Whether the structure may change its state at at: a bracket, CODE, a
// value that begins right after = with b or v (BEGIN, VAR), a brace when
// CODE was seen, or an O that begins a line. Quoted names may hide some of
// these; a line that holds none surely leaves the state as it is.
bool StructureStopAt(std::string_view text, std::size_t at, bool codeNext) {
  const auto byte = [&](std::size_t i) { return i < text.size() ? text[i] : '\0'; };
  switch (text[at]) {
    case '[':
    case ']': return true;
    case '{': return codeNext;
    case '=': return (byte(at + 1) | 0x20) == 'b' || (byte(at + 1) | 0x20) == 'v';
    case 'C': return byte(at + 1) == 'O' && byte(at + 2) == 'D' && byte(at + 3) == 'E';
    case 'O': return at > 0 && IsLineBreak(text[at - 1]);
    default: return false;
  }
}

// The first place in [from, to) where StructureStopAt holds, or to.
std::size_t NextStructureStop(std::string_view text, std::size_t from, std::size_t to,
                              bool codeNext) {
  [[maybe_unused]] const char* data = text.data();
#ifdef VEXA_HAVE_AVX2_VARIANT
  const auto blocks32 = [codeNext](const char* at) { return StructureStops32(at, codeNext); };
  if (const std::size_t at = Stop32(text, from, to, 3, blocks32); at != std::string_view::npos)
    return at;
#endif
  if (from >= to) return to;
  return NextStop(
      text, from, to, 3, [&](std::size_t at) { return StructureStopAt(text, at, codeNext); },
      [&](std::size_t i) {
#ifdef CAL_HAVE_SSE2
        const __m128i block = Load16(data + i);
        const __m128i before = Load16(data + i - 1);
        const __m128i n1 = Load16(data + i + 1);
        const __m128i l1 = _mm_or_si128(n1, _mm_set1_epi8(0x20));
        const __m128i brace = _mm_set1_epi8(codeNext ? '{' : '[');
        return unsigned(_mm_movemask_epi8(_mm_or_si128(
            _mm_or_si128(_mm_or_si128(Is(block, '['), Is(block, ']')),
                         _mm_cmpeq_epi8(block, brace)),
            _mm_or_si128(
                _mm_or_si128(_mm_and_si128(Is(block, '='), _mm_or_si128(Is(l1, 'b'), Is(l1, 'v'))),
                             _mm_and_si128(_mm_and_si128(Is(block, 'C'), Is(n1, 'O')),
                                           _mm_and_si128(Is(Load16(data + i + 2), 'D'),
                                                         Is(Load16(data + i + 3), 'E')))),
                _mm_and_si128(Is(block, 'O'), _mm_or_si128(Is(before, '\n'), Is(before, '\r')))))));
#else
        return 0u;
#endif
      });
}

// Past the quoted name or string that begins at at, or at the line break
// that cuts it off.
std::size_t PastQuoted(std::string_view text, std::size_t at) {
  const char quote = text[at];
  std::size_t i = at + 1;
  for (; i < text.size() && !IsLineBreak(text[i]); ++i) {
    if (text[i] != quote) continue;
    // '' stands for one quote within a string.
    if (quote == '\'' && i + 1 < text.size() && text[i + 1] == '\'')
      ++i;
    else
      return i + 1;
  }
  return i;
}

// Code in no comment from pos on, up to to: the stops that leave the state
// as it is, or move only the depth of blocks, are read here; returns the
// first other one, or to.
std::size_t PassCode(std::string_view text, std::size_t pos, std::size_t to, TLexState& state) {
  for (;;) {
    const std::size_t at = NextCodeStop(text, pos, to);
    if (at >= to) return to;
    const char c = char(text[at] | 0x20);
    if (c == '\'' || c == '"') {
      pos = PastQuoted(text, at);
    } else if (c == '/') {
      pos = LineEndFrom(text, at);  // a comment to the end of the line
    } else if (c == 'b' || c == 'c') {
      state.CodeBegun = true;
      if (state.Depth < UINT16_MAX) ++state.Depth;
      pos = at + (c == 'b' ? 5 : 4);
    } else if (c == 'e' && state.Depth >= 2) {
      --state.Depth;
      pos = at + 3;
    } else {
      return at;  // a brace, (*, an END that may close the code, a line's O
    }
  }
}

}  // namespace

TLexState LexStatesBetween(std::string_view text, std::size_t from, std::size_t to,
                           TLexState state) {
  std::size_t pos = from;  // a line start
  while (pos < to) {
    // Lines before the one that holds at leave the state as it is.
    std::size_t at = pos;
    const bool structure = state.Mode == TLexMode::lmStructure;
    if (text[pos] != 'O') {
      if (structure)
        at = NextStructureStop(text, pos, to, state.CodeSectionNext);
      else if (state.Comment == TCommentKind::ckNone)
        at = PassCode(text, pos, to, state);
      if (at >= to) break;
    }
    std::size_t start = at;
    while (start > pos && !IsLineBreak(text[start - 1])) --start;
    const std::size_t end = LineEndFrom(text, at);
    // Code is lexed on from where it stopped; the structure of a line
    // depends on its first tokens, so from the line's start.
    state = LexLineStatesFrom(text.substr(start, end - start), state, structure ? 0 : at - start);
    if (end == text.size()) break;
    pos = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return state;
}

int CountLineBreaks(std::string_view text) {
  int breaks = 0;
  std::size_t i = 0;
#ifdef CAL_HAVE_SSE2
  // LFs, and CRs that no LF follows.
  __m128i sums = _mm_setzero_si128();
  for (; i + 17 <= text.size(); i += 16) {
    const __m128i block = Load16(text.data() + i);
    const __m128i lf = _mm_cmpeq_epi8(block, _mm_set1_epi8('\n'));
    const __m128i cr = _mm_andnot_si128(Is(Load16(text.data() + i + 1), '\n'),
                                        _mm_cmpeq_epi8(block, _mm_set1_epi8('\r')));
    // Each break a 1 in its byte, summed by _mm_sad_epu8.
    sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_and_si128(_mm_or_si128(lf, cr), _mm_set1_epi8(1)),
                                            _mm_setzero_si128()));
  }
  breaks = int(_mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
#endif
  for (; i < text.size(); ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
      ++breaks;
  return breaks;
}

}  // namespace cal
