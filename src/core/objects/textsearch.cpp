// SPDX-License-Identifier: MIT
#include "textsearch.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "cpufeatures.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VEXA_HAVE_SSE2 1
#endif
#ifdef VEXA_HAVE_AVX2_VARIANT
#include <immintrin.h>
#endif

namespace {

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

bool Equal(const char* a, const char* b, std::size_t size, bool ignoreCase) {
  if (!ignoreCase) return std::memcmp(a, b, size) == 0;
  for (std::size_t i = 0; i < size; ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

// Linear time also where nearly every place almost matches.
std::size_t FindLinear(std::string_view hay, std::string_view needle, std::size_t from,
                       bool ignoreCase) {
  if (ignoreCase) {
    std::string text(hay.substr(from));
    std::string upperNeedle(needle);
    AsciiUpperInPlace(text.data(), text.size());
    AsciiUpperInPlace(upperNeedle.data(), upperNeedle.size());
    const std::size_t at = FindLinear(text, upperNeedle, 0, false);
    return at == std::string_view::npos ? at : from + at;
  }
#ifdef __GLIBC__
  const void* hit = ::memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data())
             : std::string_view::npos;
#else
  auto rest = hay.substr(from);
  auto it = std::search(rest.begin(), rest.end(),
                        std::boyer_moore_horspool_searcher(needle.begin(), needle.end()));
  return it == rest.end() ? std::string_view::npos : from + std::size_t(it - rest.begin());
#endif
}

// Candidates that fail late cost up to the needle's length each; once they
// have cost more than this, the rest goes to the linear search.
bool OverBudget(std::size_t compared, std::size_t scanned) {
  return compared > 8 * scanned + 65536;
}

#ifdef VEXA_HAVE_SSE2
bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Compares 16 bytes with one needle byte: a letter in either case when case
// is ignored, any other byte exactly. Setting bit 0x20 maps A-Z onto a-z and
// no other byte onto a letter's lower case.
struct TByteMatcher {
  __m128i fold;
  __m128i value;
  TByteMatcher(char c, bool ignoreCase)
      : fold(_mm_set1_epi8(ignoreCase && IsAsciiLetter(c) ? 0x20 : 0)),
        value(_mm_set1_epi8(ignoreCase && IsAsciiLetter(c) ? char(c | 0x20) : c)) {}
  __m128i Match(const char* p) const {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm_cmpeq_epi8(_mm_or_si128(block, fold), value);
  }
};
#endif

#ifdef VEXA_HAVE_AVX2_VARIANT
// The SSE2 loop below, 32 starts at a time. Returns the match, or npos with
// i at the first start it has not looked at, or SIZE_MAX - 1 with i where
// the linear search must take over.
constexpr std::size_t GoLinear = std::string_view::npos - 1;

VEXA_TARGET_AVX2 std::size_t FindByEndsAvx2(std::string_view hay, std::string_view needle,
                                            std::size_t from, std::size_t last, bool ignoreCase,
                                            std::size_t& i, std::size_t& compared) {
  const std::size_t m = needle.size();
  const bool firstLetter = ignoreCase && IsAsciiLetter(needle.front());
  const bool lastLetter = ignoreCase && IsAsciiLetter(needle.back());
  const __m256i firstFold = _mm256_set1_epi8(firstLetter ? 0x20 : 0);
  const __m256i firstValue =
      _mm256_set1_epi8(firstLetter ? char(needle.front() | 0x20) : needle.front());
  const __m256i lastFold = _mm256_set1_epi8(lastLetter ? 0x20 : 0);
  const __m256i lastValue =
      _mm256_set1_epi8(lastLetter ? char(needle.back() | 0x20) : needle.back());
  for (i = from; i + 31 <= last; i += 32) {
    const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay.data() + i));
    const __m256i tail =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay.data() + i + m - 1));
    auto mask = unsigned(_mm256_movemask_epi8(
        _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(head, firstFold), firstValue),
                         _mm256_cmpeq_epi8(_mm256_or_si256(tail, lastFold), lastValue))));
    for (; mask != 0; mask &= mask - 1) {
      const std::size_t at = i + std::size_t(__builtin_ctz(mask));
      if (Equal(hay.data() + at, needle.data(), m, ignoreCase)) return at;
      compared += m;
    }
    if (OverBudget(compared, i - from)) {
      i += 32;
      return GoLinear;
    }
  }
  return std::string_view::npos;
}
#endif

// Only the starts where the needle's first and last bytes match are
// compared whole; in object text those are few.
std::size_t FindByEnds(std::string_view hay, std::string_view needle, std::size_t from,
                       bool ignoreCase) {
  const std::size_t m = needle.size();
  if (m == 0 || from > hay.size() || hay.size() - from < m) return std::string_view::npos;
  const std::size_t last = hay.size() - m;  // the last possible start
  std::size_t compared = 0;
  std::size_t i = from;
#ifdef VEXA_HAVE_AVX2_VARIANT
  if (HaveAvx2()) {
    const std::size_t hit = FindByEndsAvx2(hay, needle, from, last, ignoreCase, i, compared);
    if (hit == GoLinear) return FindLinear(hay, needle, i, ignoreCase);
    if (hit != std::string_view::npos) return hit;
  }
#endif
#ifdef VEXA_HAVE_SSE2
  const TByteMatcher firstByte(needle.front(), ignoreCase);
  const TByteMatcher lastByte(needle.back(), ignoreCase);
  for (; i + 15 <= last; i += 16) {
    auto mask = unsigned(_mm_movemask_epi8(
        _mm_and_si128(firstByte.Match(hay.data() + i), lastByte.Match(hay.data() + i + m - 1))));
    for (; mask != 0; mask &= mask - 1) {
      const std::size_t at = i + std::size_t(__builtin_ctz(mask));
      if (Equal(hay.data() + at, needle.data(), m, ignoreCase)) return at;
      compared += m;
    }
    if (OverBudget(compared, i - from)) return FindLinear(hay, needle, i + 16, ignoreCase);
  }
#endif
  auto fold = [ignoreCase](char c) { return ignoreCase ? AsciiUpper(c) : c; };
  const char foldedFirst = fold(needle.front());
  const char foldedLast = fold(needle.back());
  for (; i <= last; ++i) {
    if (fold(hay[i]) != foldedFirst || fold(hay[i + m - 1]) != foldedLast) continue;
    if (Equal(hay.data() + i, needle.data(), m, ignoreCase)) return i;
    compared += m;
    if (OverBudget(compared, i - from)) return FindLinear(hay, needle, i + 1, ignoreCase);
  }
  return std::string_view::npos;
}

}  // namespace

void AsciiUpperInPlace(char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    auto c = static_cast<unsigned char>(data[i]);
    data[i] = static_cast<char>(static_cast<unsigned char>(c - 'a') < 26 ? c - 32 : c);
  }
}

std::size_t FindBytes(std::string_view hay, std::string_view needle, std::size_t from) {
  return FindByEnds(hay, needle, from, false);
}

std::size_t FindBytesIgnoringCase(std::string_view hay, std::string_view needle, std::size_t from) {
  return FindByEnds(hay, needle, from, true);
}

namespace vexa {

TChunkReader::TChunkReader(const ExclusiveFile& stream, std::size_t chunkSize)
    : FStream(stream),
      FChunkSize(std::max<std::size_t>(chunkSize, 1)),
      FNextRead(std::min(FChunkSize, FirstReadSize)) {}

std::string_view TChunkReader::At(std::int64_t from, std::int64_t to, std::size_t least) {
  if (from >= to) return {};
  least = std::max<std::size_t>(least, 1);
  const std::int64_t wanted = std::min(to - from, std::int64_t(least));
  if (from < FStart || FEnd - from < wanted) {
    const std::size_t size = std::max(FNextRead, 2 * least);
    FNextRead = std::min(2 * FNextRead, FChunkSize);
    // Past the end of the file only when the range asked for lies there:
    // then ReadAt raises the error that reading it whole would.
    const std::int64_t end = std::min(from + std::int64_t(size), std::max(FStream.Size(), to));
    const auto length = std::size_t(end - from);
    if (length > FCapacity) {
      FBuffer = std::make_unique_for_overwrite<char[]>(length);
      FCapacity = length;
    }
    // Forget the old bytes first, in case the read fails.
    FStart = FEnd = 0;
    FStream.ReadAt(from, FBuffer.get(), length);
    FStart = from;
    FEnd = end;
  }
  return {FBuffer.get() + (from - FStart), std::size_t(std::min(to, FEnd) - from)};
}

std::int64_t TChunkReader::Find(std::int64_t from, std::int64_t to, std::string_view needle,
                                bool matchCase) {
  const auto m = std::int64_t(needle.size());
  if (m == 0) return -1;
  while (to - from >= m) {
    const std::string_view bytes = At(from, to, needle.size());
    const std::size_t hit =
        matchCase ? FindBytes(bytes, needle, 0) : FindBytesIgnoringCase(bytes, needle, 0);
    if (hit != std::string_view::npos) return from + std::int64_t(hit);
    if (from + std::int64_t(bytes.size()) >= to) break;
    // The last m - 1 bytes may begin a match that the next read completes.
    from += std::int64_t(bytes.size()) - (m - 1);
  }
  return -1;
}

}  // namespace vexa
