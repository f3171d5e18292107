// SPDX-License-Identifier: MIT
#include "usecandidates.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "callexer.h"
#include "cpufeatures.h"
#include "linestates.h"
#include "referencescanner.h"
#include "textsearch.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define CAL_HAVE_SSE2 1
#endif
#ifdef VEXA_HAVE_AVX2_VARIANT
#include <immintrin.h>
#endif

namespace cal::detail {

namespace {

// The word that ends right before at, after blanks.
std::string_view WordEndingAt(std::string_view bytes, std::size_t at) {
  while (at > 0 && (bytes[at - 1] == ' ' || bytes[at - 1] == '\t')) --at;
  std::size_t from = at;
  while (from > 0 && IsLetter(static_cast<unsigned char>(bytes[from - 1]))) --from;
  return bytes.substr(from, at - from);
}

bool SameAsAny(std::string_view word, std::initializer_list<std::string_view> words) {
  return std::any_of(words.begin(), words.end(),
                     [&](std::string_view w) { return SameText(word, w); });
}

// The byte before at, after blanks; 0 at the start.
char CharBefore(std::string_view bytes, std::size_t& at) {
  while (at > 0 && (bytes[at - 1] == ' ' || bytes[at - 1] == '\t')) --at;
  return at > 0 ? bytes[--at] : '\0';
}

// A number where a reference by number can stand: after a type word, with
// or without blanks ("Record 18", "Table18", "TableData 18"), after a type
// word and a comma (an event subscriber), as a run method's first argument
// ("PAGE.RUN(21"), or as the value of an ID property ("RunObjectID=21").
bool NumberCandidate(std::string_view bytes, std::size_t hit, std::size_t length) {
  if (hit + length < bytes.size() && IsWordChar(static_cast<unsigned char>(bytes[hit + length])))
    return false;
  // Leading zeros belong to the number: "Codeunit 050000" is Codeunit 50000.
  while (hit > 0 && bytes[hit - 1] == '0') --hit;
  if (hit == 0 || IsDigit(static_cast<unsigned char>(bytes[hit - 1]))) return false;
  TObjectType type;
  if (TypeOf(WordEndingAt(bytes, hit), NumberTypeWords, type)) return true;
  std::size_t at = hit;
  switch (CharBefore(bytes, at)) {
    case ',': return TypeOf(WordEndingAt(bytes, at), NumberTypeWords, type);
    case '(':
      return SameAsAny(WordEndingAt(bytes, at),
                       {"RUN", "RUNMODAL", "SAVEASPDF", "SAVEASXML", "SAVEASEXCEL", "SAVEASWORD",
                        "SAVEAS", "EXECUTE", "PRINT"});
    case '=':
      return SameAsAny(WordEndingAt(bytes, at),
                       {"RunObjectID", "CardPageID", "LookupPageID", "DrillDownPageID"});
    default: return false;
  }
}

#ifdef VEXA_HAVE_AVX2_VARIANT
// FindWholeNumber's blocks, 32 bytes at a time, from i on; leaves i where
// the blocks end when none holds the number.
VEXA_TARGET_AVX2 inline __m256i Load256(const char* at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// The bytes of v from low to high.
VEXA_TARGET_AVX2 inline __m256i In256(__m256i v, char low, char high) {
  return _mm256_and_si256(_mm256_cmpgt_epi8(v, _mm256_set1_epi8(char(low - 1))),
                          _mm256_cmpgt_epi8(_mm256_set1_epi8(char(high + 1)), v));
}

VEXA_TARGET_AVX2 std::size_t WholeNumberAvx2(std::string_view bytes, std::string_view number,
                                             std::size_t& i) {
  const std::size_t m = number.size();
  const char* data = bytes.data();
  const __m256i first = _mm256_set1_epi8(number.front());
  const __m256i last = _mm256_set1_epi8(number.back());
  for (; i + m + 32 <= bytes.size(); i += 32) {
    const __m256i ends = _mm256_and_si256(_mm256_cmpeq_epi8(Load256(data + i), first),
                                          _mm256_cmpeq_epi8(Load256(data + i + m - 1), last));
    auto mask = unsigned(_mm256_movemask_epi8(ends));
    if (mask == 0) continue;
    const __m256i next = Load256(data + i + m);
    const __m256i folded = _mm256_or_si256(next, _mm256_set1_epi8(0x20));
    const __m256i word =
        _mm256_or_si256(_mm256_or_si256(In256(next, '0', '9'), In256(folded, 'a', 'z')),
                        _mm256_cmpeq_epi8(next, _mm256_set1_epi8('_')));
    mask &= ~unsigned(
        _mm256_movemask_epi8(_mm256_or_si256(word, In256(Load256(data + i - 1), '1', '9'))));
    for (; mask != 0; mask &= mask - 1) {
      const std::size_t at = i + std::size_t(__builtin_ctz(mask));
      if (std::memcmp(data + at, number.data(), m) == 0) return at;
    }
  }
  return std::string_view::npos;
}
#endif

// The next place from from on where number stands as a whole number: no
// digit 1-9 right before it (a 0 may be a leading zero) and no word byte right
// after it. Most digits of object text are parts of other numbers, and this
// passes over them sixteen bytes at a time.
std::size_t FindWholeNumber(std::string_view bytes, std::string_view number, std::size_t from) {
  const std::size_t m = number.size();
  const std::size_t size = bytes.size();
  if (m == 0 || size < m) return std::string_view::npos;
  const auto whole = [&](std::size_t at) {
    if (at > 0 && bytes[at - 1] >= '1' && bytes[at - 1] <= '9') return false;
    if (at + m < size && IsWordChar(static_cast<unsigned char>(bytes[at + m]))) return false;
    return std::memcmp(bytes.data() + at, number.data(), m) == 0;
  };
  std::size_t i = from;
  if (i == 0 && whole(0)) return 0;
  if (i == 0) i = 1;
#ifdef VEXA_HAVE_AVX2_VARIANT
  if (HaveAvx2()) {
    const std::size_t hit = WholeNumberAvx2(bytes, number, i);
    if (hit != std::string_view::npos) return hit;
  }
#endif
#ifdef CAL_HAVE_SSE2
  const char* data = bytes.data();
  const __m128i first = _mm_set1_epi8(number.front());
  const __m128i last = _mm_set1_epi8(number.back());
  const auto in = [](__m128i v, char low, char high) {
    return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(char(low - 1))),
                         _mm_cmplt_epi8(v, _mm_set1_epi8(char(high + 1))));
  };
  // The block reads from i - 1 to i + m + 15.
  for (; i + m + 16 <= size; i += 16) {
    const auto load = [&](std::size_t at) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    };
    const __m128i ends =
        _mm_and_si128(_mm_cmpeq_epi8(load(i), first), _mm_cmpeq_epi8(load(i + m - 1), last));
    auto mask = unsigned(_mm_movemask_epi8(ends));
    if (mask == 0) continue;
    const __m128i next = load(i + m);
    const __m128i folded = _mm_or_si128(next, _mm_set1_epi8(0x20));
    const __m128i word = _mm_or_si128(_mm_or_si128(in(next, '0', '9'), in(folded, 'a', 'z')),
                                      _mm_cmpeq_epi8(next, _mm_set1_epi8('_')));
    mask &= ~unsigned(_mm_movemask_epi8(_mm_or_si128(word, in(load(i - 1), '1', '9'))));
    for (; mask != 0; mask &= mask - 1) {
      const std::size_t at = i + std::size_t(__builtin_ctz(mask));
      if (std::memcmp(data + at, number.data(), m) == 0) return at;
    }
  }
#endif
  for (; i + m <= size; ++i)
    if (whole(i)) return i;
  return std::string_view::npos;
}

// A whole name where a reference by name can stand: after ::, a type word
// ("Record Customer", "TableData Customer"), a property that names a table
// or page, a formula's (, or the condition or ELSE of a relation. Variables
// and captions of the same name mostly fail this.
bool NameCandidate(std::string_view bytes, std::size_t hit, std::size_t length) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  std::size_t before = hit;
  if (before > 0 && bytes[before - 1] == '"') {
    if (hit + length >= bytes.size() || bytes[hit + length] != '"') return false;
    --before;
  } else {
    if (hit + length < bytes.size() && IsWordChar(at(hit + length))) return false;
    if (hit > 0 && IsWordChar(at(hit - 1))) return false;
  }
  while (before > 0 && (bytes[before - 1] == ' ' || bytes[before - 1] == '\t')) --before;
  if (before == 0) return false;
  const char c = bytes[before - 1];
  if (c == ':' || c == ')') return true;
  if (c == '=')
    return SameAsAny(WordEndingAt(bytes, before - 1),
                     {"TableRelation", "SourceTable", "DataItemTable", "CardPageID", "LookupPageID",
                      "DrillDownPageID"});
  if (c == '(') return IsFormulaWord(WordEndingAt(bytes, before - 1));
  if (c == ',') return true;  // an event subscriber's object
  const std::string_view word = WordEndingAt(bytes, before);
  TObjectType type;
  return SameText(word, "ELSE") || TypeOf(word, NumberTypeWords, type);
}

// The run of word bytes that ends right before at, after blanks; at is
// left before the blanks.
std::string_view WordRunEndingAt(std::string_view bytes, std::size_t& at) {
  while (at > 0 && (bytes[at - 1] == ' ' || bytes[at - 1] == '\t')) --at;
  std::size_t from = at;
  while (from > 0 && IsWordChar(static_cast<unsigned char>(bytes[from - 1]))) --from;
  return bytes.substr(from, at - from);
}

// Whether a name candidate (one NameCandidate took) can refer only as a
// table name in a relation or flow formula: after a single colon, a ), a (,
// ELSE, or after :: or a comma whose token before is surely no type word
// ("Type::Center", ERROR(Text1,"Center")). Without a relation or formula
// before it in its object, such a name refers to nothing whatever the lexer
// makes of the bytes around it, so it needs no lexing.
bool NameOnlyInRelation(std::string_view bytes, std::size_t hit) {
  std::size_t before = hit > 0 && bytes[hit - 1] == '"' ? hit - 1 : hit;
  while (before > 0 && (bytes[before - 1] == ' ' || bytes[before - 1] == '\t')) --before;
  const char c = bytes[before - 1];
  TObjectType type;
  if (c == ':') {
    if (before < 2 || bytes[before - 2] != ':') return true;
    std::size_t at = before - 2;
    const std::string_view word = WordRunEndingAt(bytes, at);
    return !word.empty() && !TypeOf(word, NameTypeWords, type);
  }
  if (c == ',') {
    std::size_t at = before - 1;
    const std::string_view word = WordRunEndingAt(bytes, at);
    // A quoted name before the comma is no type word either.
    if (word.empty()) return at > 0 && bytes[at - 1] == '"';
    return !TypeOf(word, NumberTypeWords, type);
  }
  if (c == ')' || c == '(') return true;
  return SameText(WordEndingAt(bytes, before), "ELSE");
}

// The first = in [from, to) that may end "TableRelation=" or "CalcFormula=",
// or to: code holds many a := and = that no n or a comes before.
#ifdef VEXA_HAVE_AVX2_VARIANT
// NextPropertySign's blocks, 32 bytes at a time, from i on; leaves i where
// the blocks end when none holds such an =.
VEXA_TARGET_AVX2 std::size_t PropertySignAvx2(const char* data, std::size_t& i, std::size_t to) {
  for (; i + 32 <= to; i += 32) {
    const __m256i before = _mm256_or_si256(Load256(data + i - 1), _mm256_set1_epi8(0x20));
    const __m256i words = _mm256_or_si256(_mm256_cmpeq_epi8(before, _mm256_set1_epi8('n')),
                                          _mm256_cmpeq_epi8(before, _mm256_set1_epi8('a')));
    const __m256i signs =
        _mm256_and_si256(_mm256_cmpeq_epi8(Load256(data + i), _mm256_set1_epi8('=')), words);
    if (const auto mask = unsigned(_mm256_movemask_epi8(signs)); mask != 0)
      return i + std::size_t(__builtin_ctz(mask));
  }
  return std::string_view::npos;
}
#endif

std::size_t NextPropertySign(std::string_view bytes, std::size_t from, std::size_t to) {
  const auto ends = [&](std::size_t i) {
    const char before = char(bytes[i - 1] | 0x20);
    return bytes[i] == '=' && (before == 'n' || before == 'a');
  };
  std::size_t i = std::max<std::size_t>(from, 1);
#ifdef VEXA_HAVE_AVX2_VARIANT
  if (HaveAvx2())
    if (const std::size_t at = PropertySignAvx2(bytes.data(), i, to); at != std::string_view::npos)
      return at;
#endif
#ifdef CAL_HAVE_SSE2
  const char* data = bytes.data();
  const auto load = [&](std::size_t at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
  };
  for (; i + 16 <= to; i += 16) {
    const __m128i before = _mm_or_si128(load(i - 1), _mm_set1_epi8(0x20));
    const __m128i words = _mm_or_si128(_mm_cmpeq_epi8(before, _mm_set1_epi8('n')),
                                       _mm_cmpeq_epi8(before, _mm_set1_epi8('a')));
    const __m128i signs = _mm_and_si128(_mm_cmpeq_epi8(load(i), _mm_set1_epi8('=')), words);
    if (const auto mask = unsigned(_mm_movemask_epi8(signs)); mask != 0)
      return i + std::size_t(__builtin_ctz(mask));
  }
#endif
  for (; i < to; ++i)
    if (ends(i)) return i;
  return to;
}

// Where in an object a name may stand in a relation or flow formula. Only
// a TableRelation or CalcFormula property begins one, and where it is a
// property the lexer reads the rest of its line the same from any state it
// can be in there; so a relation that such a line ends cannot reach the
// lines after it, and the bytes around each one tell all.
class TRelationSpans {
 public:
  // Whether a name at offset hit may stand in a relation or formula; hit
  // grows from call to call, and only the bytes up to it are searched.
  bool Possible(std::string_view bytes, std::size_t hit) {
    // A property's = follows its name at once: the = that end either name
    // are all there is to find, one rare byte for both.
    static constexpr std::array<std::string_view, 2> Words = {"TableRelation", "CalcFormula"};
    const std::size_t to = std::min(bytes.size(), hit + Words[0].size());
    for (; FScanned < to; ++FScanned) {
      FScanned = NextPropertySign(bytes, FScanned, to);
      if (FScanned == to) break;
      for (std::string_view word : Words) {
        if (FScanned < word.size() ||
            !SameText(bytes.substr(FScanned - word.size(), word.size()), word))
          continue;
        const std::size_t at = FScanned - word.size();
        const std::size_t end = LineEndFrom(bytes, at);
        if (GoesOn(bytes, at, end))
          FOpenFrom = std::min(FOpenFrom, at);
        else
          FSpans.emplace_back(at, end);
      }
    }
    if (hit > FOpenFrom) return true;
    return std::any_of(FSpans.begin(), FSpans.end(),
                       [hit](const std::pair<std::size_t, std::size_t>& span) {
                         return span.first < hit && hit <= span.second;
                       });
  }

 private:
  // Whether the relation begun at at, read as a property, is still open at
  // end, the end of its line; the state's one part that can change what
  // the line gives there is whether a CODE section is next.
  bool GoesOn(std::string_view bytes, std::size_t at, std::size_t end) {
    for (bool codeNext : {false, true}) {
      TLexState state;
      state.CodeSectionNext = codeNext;
      FTokens.clear();
      LexLine(bytes.substr(at, end - at), state, std::int32_t(at), &FTokens);
      TReferenceScanner scanner(bytes, FRefs);
      scanner.Line(0, FTokens);
      FRefs.clear();
      if (scanner.InRelation()) return true;
    }
    return false;
  }

  std::size_t FScanned = 0;  // where the search for = goes on
  std::size_t FOpenFrom = std::string_view::npos;
  std::vector<std::pair<std::size_t, std::size_t>> FSpans;  // (property, its line's end)
  std::vector<TToken> FTokens;
  std::vector<TObjectReference> FRefs;
};

}  // namespace

void TCandidateNeedles::Find(std::string_view bytes, std::vector<std::size_t>& candidates) const {
  candidates.clear();
  for (std::size_t hit = 0; (hit = FindWholeNumber(bytes, Number, hit)) != std::string_view::npos;
       ++hit)
    if (NumberCandidate(bytes, hit, Number.size())) candidates.push_back(hit);
  TRelationSpans relations;
  if (!Name.empty())
    for (std::size_t hit = 0;
         (hit = FindBytesIgnoringCase(bytes, Name, hit)) != std::string_view::npos; ++hit)
      if (NameCandidate(bytes, hit, Name.size())) {
        if (NameOnlyInRelation(bytes, hit) && !relations.Possible(bytes, hit)) continue;
        candidates.push_back(hit);
      }
  std::sort(candidates.begin(), candidates.end());
}

}  // namespace cal::detail
