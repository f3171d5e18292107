// SPDX-License-Identifier: MIT
#include "objectreferences.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "callexer.h"
#include "cpufeatures.h"
#include "linestates.h"
#include "partsearch.h"
#include "referencescanner.h"
#include "textsearch.h"
#include "workerthreads.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define CAL_HAVE_SSE2 1
#endif
#ifdef VEXA_HAVE_AVX2_VARIANT
#include <immintrin.h>
#endif

namespace cal {

using namespace detail;

std::vector<TObjectReference> FindReferences(std::string_view text) {
  std::vector<TObjectReference> refs;
  TReferenceScanner scanner(text, refs);
  ForEachLexedLine(text,
                   [&](int index, std::int32_t, std::string_view, const std::vector<TToken>& tokens,
                       const TLexState&) { scanner.Line(index, tokens); });
  return refs;
}

namespace {

std::size_t NextLineStart(std::string_view text, std::size_t end) {
  return end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
}

// The start of the line lines lines before the one that holds at.
std::size_t LineStartBefore(std::string_view text, std::size_t at, std::size_t lines) {
  const auto isBreak = [&](std::size_t i) { return text[i] == '\n' || text[i] == '\r'; };
  std::size_t start = at;
  for (std::size_t line = 0;; ++line) {
    while (start > 0 && !isBreak(start - 1)) --start;
    if (line == lines || start == 0) return start;
    // Back over the break: CR LF is one.
    --start;
    if (start > 0 && text[start] == '\n' && text[start - 1] == '\r') --start;
  }
}

// The references on the lines that hold a candidate (sorted offsets). The
// other lines are lexed only for their states; the few lines before each
// candidate's line are scanned too, so that a relation begun there is
// known; nothing after the last candidate is lexed.
std::vector<TObjectReference> ReferencesNear(std::string_view text,
                                             const std::vector<std::size_t>& candidates) {
  // A relation's ELSE IF branches may run over many lines.
  constexpr std::size_t ContextLines = 40;
  std::vector<TObjectReference> refs;
  TReferenceScanner scanner(text, refs);
  std::vector<TToken> tokens;
  struct TLine {
    std::size_t Start;
    std::size_t End;
    TLexState State;
    int Index;
  };
  // The last few lines lexed for their states only, in a ring.
  std::array<TLine, ContextLines> recent;
  std::size_t recentCount = 0;
  std::size_t recentNext = 0;
  bool scanning = false;  // the line before was scanned
  const auto scan = [&](const TLine& line) {
    tokens.clear();
    const TLexState out = LexLine(text.substr(line.Start, line.End - line.Start), line.State,
                                  std::int32_t(line.Start), &tokens);
    scanner.Line(line.Index, tokens);
    return out;
  };
  auto next = candidates.begin();
  TLexState state;
  std::size_t start = 0;
  auto passed = candidates.end();  // the candidate whose lines before were passed over
  for (int index = 0; next != candidates.end(); ++index) {
    // The lines that even the ring would not keep are passed over at once.
    if (next != passed) {
      passed = next;
      const std::size_t context = LineStartBefore(text, *next, ContextLines);
      if (context > start) {
        state = LexStatesBetween(text, start, context, state);
        index += CountLineBreaks(text.substr(start, context - start));
        start = context;
        recentCount = 0;
        scanning = false;
      }
    }
    const std::size_t end = LineEndFrom(text, start);
    const TLine line{start, end, state, index};
    if (*next <= end) {
      if (!scanning) {
        scanner.Reset();
        for (std::size_t i = 0; i < recentCount; ++i)
          scan(recent[(recentNext + ContextLines - recentCount + i) % ContextLines]);
        recentCount = 0;
      }
      state = scan(line);
      scanning = true;
      while (next != candidates.end() && *next <= end) ++next;
    } else {
      recent[recentNext] = line;
      recentNext = (recentNext + 1) % ContextLines;
      recentCount = std::min(recentCount + 1, ContextLines);
      state = LexLine(text.substr(start, end - start), state, std::int32_t(start), nullptr);
      scanning = false;
    }
    if (end == text.size()) break;
    start = NextLineStart(text, end);
  }
  return refs;
}

}  // namespace

std::optional<TObjectReference> ReferenceAt(std::string_view text, std::int32_t offset) {
  for (TObjectReference& ref : FindReferences(text))
    if (ref.Start <= offset && offset <= ref.Start + ref.Length) return std::move(ref);
  return std::nullopt;
}

bool RefersTo(const TObjectReference& ref, TObjectType type, std::int32_t id,
              std::string_view name) {
  if (ref.Type != type) return false;
  return ref.ByName ? !name.empty() && SameText(ref.Name, name) : ref.ID == id;
}

std::int32_t ResolveReference(const TObjectSet& file, const TObjectReference& ref) {
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    const TObjectTextObject& object = file.GetObject(i);
    if (RefersTo(ref, object.ObjectType(), object.ID(), object.Name())) return i;
  }
  return -1;
}

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
std::size_t NextPropertySign(std::string_view bytes, std::size_t from, std::size_t to) {
  const auto ends = [&](std::size_t i) {
    const char before = char(bytes[i - 1] | 0x20);
    return bytes[i] == '=' && (before == 'n' || before == 'a');
  };
  std::size_t i = std::max<std::size_t>(from, 1);
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

// What an object must hold to be looked at closely: the number where a
// reference by number can stand, or the name where a name can refer.
struct TCandidateNeedles {
  std::string Number;
  std::string Name;

  TCandidateNeedles(std::int32_t id, std::string name)
      : Number(std::to_string(id)), Name(std::move(name)) {}

  // The offsets of every candidate in bytes, in order.
  void Find(std::string_view bytes, std::vector<std::size_t>& candidates) const {
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
};

// The line that holds offset, without its indent; of a line longer than
// LongLine only the part around offset, so that many references on one huge
// line cost neither quadratic time nor memory.
std::string LineTextAt(std::string_view text, std::int32_t offset) {
  constexpr std::size_t LongLine = 1000;
  constexpr std::size_t Around = 100;
  const auto isBreak = [&](std::size_t i) { return text[i] == '\n' || text[i] == '\r'; };
  const auto at = std::size_t(offset);
  std::size_t start = at;
  while (start > 0 && at - start < LongLine && !isBreak(start - 1)) --start;
  std::size_t end = at;
  while (end < text.size() && end - at < LongLine && !isBreak(end)) ++end;
  const bool cutStart = start > 0 && !isBreak(start - 1);
  const bool cutEnd = end < text.size() && !isBreak(end);
  if (cutStart || cutEnd) {
    start = std::max(start, at >= Around ? at - Around : 0);
    end = std::min(end, at + Around);
  }
  if (!cutStart)
    while (start < end && (text[start] == ' ' || text[start] == '\t')) ++start;
  return std::string(text.substr(start, end - start));
}

}  // namespace

namespace {

// What the search needs to know of its target, and what it reuses.
struct TUsesSearch {
  TObjectType Type;
  std::int32_t ID;
  std::string Name;
  TCandidateNeedles Needles;
  std::vector<std::size_t> Candidates;

  explicit TUsesSearch(const TObjectTextObject& target)
      : Type(target.ObjectType()),
        ID(target.ID()),
        Name(target.Name()),
        Needles(target.ID(), std::string(target.Name())) {}

  // The uses in the text of the object at index.
  void Object(std::int32_t index, std::string_view bytes, std::vector<TObjectUse>& uses) {
    Needles.Find(bytes, Candidates);
    if (Candidates.empty()) return;
    for (TObjectReference& ref : ReferencesNear(bytes, Candidates)) {
      if (!RefersTo(ref, Type, ID, Name)) continue;
      std::string line = LineTextAt(bytes, ref.Start);
      uses.push_back({index, std::move(ref), std::move(line)});
    }
  }

  // The uses in objects [0, count) of file, read through it.
  bool Objects(const TObjectSet& file, std::int32_t count, std::vector<TObjectUse>& uses,
               const TUsesProgress& progress, std::size_t chunkSize) {
    return Objects(file, 0, count, uses, progress, chunkSize);
  }

  // The same for objects [first, last); progress counts from first.
  bool Objects(const TObjectSet& file, std::int32_t first, std::int32_t last,
               std::vector<TObjectUse>& uses, const TUsesProgress& progress,
               std::size_t chunkSize) {
    const std::int32_t count = last - first;
    // Progress in about a thousand steps, so its cost stays small.
    const std::int32_t step = std::max(1, count / 1000);
    for (std::int32_t index = first; index < last; ++index) {
      if (progress && (index - first) % step == 0 && !progress(index - first, count)) return false;
      const TObjectTextObject& object = file.GetObject(index);
      const std::int64_t start = object.StartOffset();
      const std::int64_t length = std::max(object.Length(), 0);
      if (&object.Owner() != FReaderOwner || chunkSize != FChunkSize) {
        FReaderOwner = &object.Owner();
        FChunkSize = chunkSize;
        if (!FReaderOwner->Stream()) {
          FReaderOwner = nullptr;
          throw VexaError("The object's file is no longer open; open the file again");
        }
        FReader.emplace(*FReaderOwner->Stream(), chunkSize);
      }
      Object(index, FReader->At(start, start + length, std::size_t(length)), uses);
    }
    if (progress) progress(count, count);
    return true;
  }

 private:
  // The objects of one file lie one after another, so one reader, and its
  // grown buffer, serves all of them, in every run of objects given to this
  // search; a set of many files gets a reader for each run of one file.
  std::optional<vexa::TChunkReader> FReader;
  const TObjectTextFile* FReaderOwner = nullptr;
  std::size_t FChunkSize = 0;
};

}  // namespace

unsigned UsesSearchThreads() {
  return vexa::WorkerThreads();
}

bool FindUses(const TObjectSet& file, std::int32_t target, std::vector<TObjectUse>& uses,
              const TUsesProgress& progress, std::size_t chunkSize) {
  const TObjectTextObject& object = file.GetObject(target);
  const unsigned threads = SearchThreads(file);
  // One search a thread, kept from part to part.
  std::vector<std::optional<TUsesSearch>> searches(threads);
  const auto part = [&](unsigned worker, std::int32_t first, std::int32_t last,
                        std::vector<TObjectUse>& found, const TUsesProgress& partProgress) {
    std::optional<TUsesSearch>& search = searches[worker];
    if (!search) search.emplace(object);
    return search->Objects(file, first, last, found, partProgress, chunkSize);
  };
  if (threads <= 1) return part(0, 0, file.GetCount(), uses, progress);
  return SearchInParts(file, threads, part, uses, progress);
}

struct TOnePassUses::TState {
  TState(const TObjectTextFile& file, TObjectType type, std::int32_t id)
      : File(file), Type(type), ID(id) {}

  const TObjectTextFile& File;
  TObjectType Type;
  std::int32_t ID;
  std::int32_t Target = -1;
  std::int32_t Checked = 0;  // objects looked at for the target
  std::int32_t Live = 0;     // the first object searched while loading
  std::int32_t Next = 0;     // the next one
  std::optional<TUsesSearch> Search;
  // The bytes of object Next from its start to the end of the stretches so far.
  std::string Tail;
  std::vector<TObjectUse> Uses;  // of the objects from Live on
};

TOnePassUses::TOnePassUses(const TObjectTextFile& file, TObjectType type, std::int32_t id)
    : F(std::make_unique<TState>(file, type, id)) {}

TOnePassUses::~TOnePassUses() = default;

std::int32_t TOnePassUses::Target() const {
  return F->Target;
}

void TOnePassUses::Scanned(const TScannedText& text) {
  TState& s = *F;
  const std::int32_t count = s.File.GetCount();
  if (!s.Search) {
    while (s.Checked < count && (s.File.GetObject(s.Checked).ObjectType() != s.Type ||
                                 s.File.GetObject(s.Checked).ID() != s.ID))
      ++s.Checked;
    if (s.Checked == count) return;
    s.Target = s.Checked;
    s.Search.emplace(s.File.GetObject(s.Target));
    // Only the name tells what to look for; the objects whose start has gone
    // by are read again at the end.
    s.Live = s.Target + 1;
    while (s.Live > 0 && s.File.GetObject(s.Live - 1).StartOffset() >= text.Offset) --s.Live;
    s.Next = s.Live;
    s.Tail.clear();
  }
  for (; s.Next < count && (s.Next + 1 < count || text.Final); ++s.Next) {
    const TObjectTextObject& object = s.File.GetObject(s.Next);
    const std::int64_t start = object.StartOffset();
    const std::int64_t end = start + std::max(object.Length(), 0);
    if (start >= text.Offset) {
      s.Search->Object(
          s.Next, text.Bytes.substr(std::size_t(start - text.Offset), std::size_t(end - start)),
          s.Uses);
    } else {
      // Begun in earlier stretches: it ends within this one.
      if (end > text.Offset) s.Tail.append(text.Bytes.substr(0, std::size_t(end - text.Offset)));
      s.Search->Object(s.Next, s.Tail, s.Uses);
    }
    s.Tail.clear();
  }
  if (s.Next < count) {
    const std::int64_t start = s.File.GetObject(s.Next).StartOffset();
    if (start >= text.Offset)
      s.Tail.assign(text.Bytes.substr(std::size_t(start - text.Offset)));
    else
      s.Tail.append(text.Bytes);
  }
}

void TOnePassUses::Finish(std::vector<TObjectUse>& uses) {
  TState& s = *F;
  if (!s.Search) return;
  s.Search->Objects(s.File, s.Live, uses, {}, std::size_t(1) << 20);
  uses.insert(uses.end(), std::make_move_iterator(s.Uses.begin()),
              std::make_move_iterator(s.Uses.end()));
  s.Uses.clear();
}

}  // namespace cal
