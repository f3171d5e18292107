#include "findall.h"

#include <algorithm>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MARLOX_HAVE_SSE2 1
#endif

namespace marlox::cli {

namespace {

// The linear-time way: upper-case a copy and search it byte for byte.
std::size_t FindInUpperCopy(std::string_view hay, std::string_view needle, std::size_t from) {
  std::string text(hay.substr(from));
  std::string upperNeedle(needle);
  AsciiUpperInPlace(text.data(), text.size());
  AsciiUpperInPlace(upperNeedle.data(), upperNeedle.size());
  const std::size_t at = FindBytes(text, upperNeedle, 0);
  return at == std::string_view::npos ? at : from + at;
}

#ifdef MARLOX_HAVE_SSE2
bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

bool EqualIgnoringCase(const char* a, const char* b, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

// Compares 16 bytes with one needle byte: a letter in either case, any
// other byte exactly. Setting bit 0x20 maps A-Z onto a-z and no other byte
// onto a letter's lower case.
struct TByteMatcher {
  __m128i fold;
  __m128i value;
  explicit TByteMatcher(char c)
      : fold(_mm_set1_epi8(IsAsciiLetter(c) ? 0x20 : 0)),
        value(_mm_set1_epi8(IsAsciiLetter(c) ? char(c | 0x20) : c)) {}
  __m128i Match(const char* p) const {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm_cmpeq_epi8(_mm_or_si128(block, fold), value);
  }
};
#endif

}  // namespace

std::size_t FindBytesIgnoringCase(std::string_view hay, std::string_view needle, std::size_t from) {
  const std::size_t m = needle.size();
  if (m == 0 || from > hay.size() || hay.size() - from < m) return std::string_view::npos;
  std::size_t i = from;
#ifdef MARLOX_HAVE_SSE2
  const std::size_t last = hay.size() - m;  // the last possible start
  // Candidates are starts where the first and the last needle byte match.
  const TByteMatcher first(needle.front());
  const TByteMatcher final(needle.back());
  // Candidates that fail late cost up to the needle's length each; past a
  // budget the rest goes to the linear search.
  std::size_t compared = 0;
  for (; i + 15 <= last; i += 16) {
    auto mask = unsigned(_mm_movemask_epi8(
        _mm_and_si128(first.Match(hay.data() + i), final.Match(hay.data() + i + m - 1))));
    for (; mask != 0; mask &= mask - 1) {
      const std::size_t at = i + std::size_t(__builtin_ctz(mask));
      if (EqualIgnoringCase(hay.data() + at, needle.data(), m)) return at;
      compared += m;
    }
    if (compared > 8 * (i - from) + 65536) return FindInUpperCopy(hay, needle, i);
  }
  // Fewer than 16 starts are left.
  for (; i <= last; ++i)
    if (EqualIgnoringCase(hay.data() + i, needle.data(), m)) return i;
  return std::string_view::npos;
#else
  return FindInUpperCopy(hay, needle, i);
#endif
}

TChunkReader::TChunkReader(const vexa::ExclusiveFile& stream, std::size_t chunkSize)
    : FStream(stream), FChunkSize(chunkSize), FBuffer(new char[chunkSize]) {}

std::string_view TChunkReader::At(std::int64_t from, std::int64_t to) {
  const std::int64_t wanted = std::min(to, from + std::int64_t(FChunkSize));
  if (from < FStart || wanted > FEnd) {
    const auto size =
        static_cast<std::size_t>(std::min(FStream.Size() - from, std::int64_t(FChunkSize)));
    FStream.ReadAt(from, FBuffer.get(), size);
    FStart = from;
    FEnd = from + std::int64_t(size);
  }
  return {FBuffer.get() + (from - FStart), std::size_t(std::min(to, FEnd) - from)};
}

std::int32_t TLineCounter::LineAt(std::int32_t index, std::int64_t objectStart,
                                  std::int64_t offset) {
  if (index != FIndex) {
    FIndex = index;
    FCounted = objectStart;
    FLine = 1;
    FAfterCR = false;
  }
  while (FCounted < offset) {
    const std::string_view bytes = FReader.At(FCounted, offset);
    for (const char c : bytes) {
      // CR LF is one break: its LF counts only when no CR stands before it.
      if (c == '\r' || c == '\0' || (c == '\n' && !FAfterCR)) ++FLine;
      FAfterCR = c == '\r';
    }
    FCounted += std::int64_t(bytes.size());
  }
  return FLine;
}

std::size_t FindAll(const TObjectTextFile& file, const std::string& needle, bool matchCase,
                    const std::function<void(const TMatch&)>& report) {
  if (needle.empty() || file.GetCount() == 0) return 0;
  const vexa::ExclusiveFile* stream = file.Stream();
  if (!stream) {
    file.GetObject(0).GetText();  // raises the model's own error
    throw VexaError("The file is not open");
  }
  const auto length = std::int64_t(needle.size());
  // A chunk of twice the needle always holds one whole candidate.
  TChunkReader reader(*stream, std::max<std::size_t>(256u << 10, 2 * needle.size()));
  TLineCounter lines(reader);
  std::size_t count = 0;
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    const TObjectTextObject& object = file.GetObject(i);
    const std::int64_t start = object.StartOffset();
    const std::int64_t end = start + object.Length();
    for (std::int64_t pos = start; end - pos >= length;) {
      const std::string_view bytes = reader.At(pos, end);
      const std::size_t hit =
          matchCase ? FindBytes(bytes, needle, 0) : FindBytesIgnoringCase(bytes, needle, 0);
      if (hit != std::string_view::npos) {
        const std::int64_t at = pos + std::int64_t(hit);
        report({i, std::int32_t(at - start + 1), lines.LineAt(i, start, at)});
        ++count;
        pos = at + length;
      } else {
        // The last length - 1 bytes may begin a match that the next chunk completes.
        if (pos + std::int64_t(bytes.size()) >= end) break;
        pos += std::int64_t(bytes.size()) - (length - 1);
      }
    }
  }
  return count;
}

}  // namespace marlox::cli
