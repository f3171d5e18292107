// SPDX-License-Identifier: MIT
#include "callexer.h"

#include <algorithm>
#include <array>
#include <climits>

#include "lexbytes.h"

namespace cal {

using namespace detail;

namespace {

#ifdef CAL_HAVE_SSE2
std::size_t PastWord(std::string_view line, std::size_t from, std::size_t i);

// Where code lexed without tokens can next change the state, from from on,
// a place the byte-wise reading would reach too: a byte that may begin a
// comment, string, quoted name or the end of code, or a word that begins
// with b, c or e (BEGIN, CASE, END). Whole blocks of 16 bytes without one
// are passed over at once; the part of a word that runs past them too.
std::size_t QuietCodeEnd(std::string_view line, std::size_t from) {
  const char* data = line.data();
  std::size_t i = from;
  for (; i + 16 <= line.size(); i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    // from is where a word may begin, whatever stands before it.
    const unsigned afterWord =
        i == from ? WordBytes(_mm_slli_si128(block, 1)) & ~1u
                  : WordBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i - 1)));
    const __m128i lower = _mm_or_si128(block, _mm_set1_epi8(0x20));
    const unsigned moving = unsigned(
        _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(lower, _mm_set1_epi8('b')),
                                                    _mm_cmpeq_epi8(lower, _mm_set1_epi8('c'))),
                                       _mm_cmpeq_epi8(lower, _mm_set1_epi8('e')))));
    const __m128i special =
        _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\'')),
                                               _mm_cmpeq_epi8(block, _mm_set1_epi8('"'))),
                                  _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('{')),
                                               _mm_cmpeq_epi8(block, _mm_set1_epi8('}')))),
                     _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('/')),
                                  _mm_cmpeq_epi8(block, _mm_set1_epi8('('))));
    const unsigned stop = unsigned(_mm_movemask_epi8(special)) | (moving & ~afterWord);
    if (stop != 0) return i + std::size_t(__builtin_ctz(stop));
  }
  return PastWord(line, from, i);
}

// i, or the end of the word that i lies in when the blocks ended there.
std::size_t PastWord(std::string_view line, std::size_t from, std::size_t i) {
  if (i > from)
    while (i < line.size() && IsWordChar(static_cast<unsigned char>(line[i])) &&
           IsWordChar(static_cast<unsigned char>(line[i - 1])))
      ++i;
  return i;
}

// The same for the structure after a line's first token, while no ; waits
// for the next token to be a property: only a bracket, a brace, a
// semicolon, a quoted name and a word right after = can change the state.
std::size_t QuietStructureEnd(std::string_view line, std::size_t from) {
  const char* data = line.data();
  std::size_t i = from;
  for (; i + 16 <= line.size(); i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i - 1));
    const __m128i special =
        _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('[')),
                                               _mm_cmpeq_epi8(block, _mm_set1_epi8(']'))),
                                  _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('{')),
                                               _mm_cmpeq_epi8(block, _mm_set1_epi8(';')))),
                     _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('"')),
                                  _mm_cmpeq_epi8(before, _mm_set1_epi8('='))));
    const auto stop = unsigned(_mm_movemask_epi8(special));
    if (stop != 0) return i + std::size_t(__builtin_ctz(stop));
  }
  return PastWord(line, from, i);
}
#endif

bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t';
}

// Words are short; anything longer than the longest keyword is no keyword.
constexpr std::size_t MaxWordLength = 20;

bool UpperWord(std::string_view word, std::array<char, MaxWordLength>& upper) {
  if (word.size() > MaxWordLength) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const auto c = static_cast<unsigned char>(word[i]);
    upper[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  return true;
}

template <std::size_t N>
bool InList(std::string_view word, const std::array<std::string_view, N>& list) {
  std::array<char, MaxWordLength> upper;
  if (!UpperWord(word, upper)) return false;
  const std::string_view key(upper.data(), word.size());
  return std::find(list.begin(), list.end(), key) != list.end();
}

// Sorted, for a binary search.
constexpr std::array<std::string_view, 32> Keywords = {
    "AND", "ARRAY",   "BEGIN", "CASE",  "DIV",       "DO",     "DOWNTO",    "ELSE",
    "END", "EVENT",   "EXIT",  "FALSE", "FOR",       "IF",     "IN",        "LOCAL",
    "MOD", "NOT",     "OF",    "OR",    "PROCEDURE", "REPEAT", "TEMPORARY", "THEN",
    "TO",  "TRIGGER", "TRUE",  "UNTIL", "VAR",       "WHILE",  "WITH",      "XOR"};
constexpr std::size_t LongestKeyword = 9;

constexpr std::array<std::string_view, 22> Sections = {"OBJECT-PROPERTIES",
                                                       "PROPERTIES",
                                                       "FIELDS",
                                                       "KEYS",
                                                       "FIELDGROUPS",
                                                       "CONTROLS",
                                                       "ELEMENTS",
                                                       "DATASET",
                                                       "REQUESTPAGE",
                                                       "REQUESTFORM",
                                                       "LABELS",
                                                       "MENUNODES",
                                                       "ACTIONS",
                                                       "CODE",
                                                       "DATAITEMS",
                                                       "SECTIONS",
                                                       "RDLDATA",
                                                       "WORDLAYOUT",
                                                       "EVENTS",
                                                       "MENUITEMS",
                                                       "FORM",
                                                       "DATAPORTFIELDS"};

bool SameWord(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const auto c = static_cast<unsigned char>(word[i]);
    if ((c >= 'a' && c <= 'z' ? char(c - 32) : char(c)) != upper[i]) return false;
  }
  return true;
}

class TLineLexer {
 public:
  // Lexing may start at from, a place the lexing from the line's start in
  // state would reach in code in that same state.
  TLineLexer(std::string_view line, TLexState state, std::int32_t base, std::vector<TToken>* tokens,
             std::size_t from = 0)
      : FLine(line),
        FState(state),
        FBase(base),
        FTokens(tokens),
        FFirst(SkipBlanks(0)),
        FPos(from) {}

  TLexState Run() {
    if (FLine.substr(0, 7) == "OBJECT ") {
      Emit(0, FLine.size(), TTokenKind::tkHeader);
      return TLexState{};
    }
    while (FPos < FLine.size()) {
      if (FState.Comment != TCommentKind::ckNone)
        EndComment();
      else if (FState.Mode == TLexMode::lmStructure)
        QuietStructureStep();
      else if (!FTokens)
        CodeStates();
      else
        CodeStep();
    }
    return FState;
  }

 private:
  void Emit(std::size_t start, std::size_t length, TTokenKind kind) {
    if (FTokens && length > 0)
      FTokens->push_back({FBase + std::int32_t(start), std::int32_t(length), kind});
  }

  unsigned char At(std::size_t i) const {
    return i < FLine.size() ? static_cast<unsigned char>(FLine[i]) : 0;
  }

  std::size_t SkipBlanks(std::size_t i) const {
    while (i < FLine.size() && IsBlank(At(i))) ++i;
    return i;
  }

  std::size_t WordEnd(std::size_t i) const {
    while (i < FLine.size() && IsWordChar(At(i))) ++i;
    return i;
  }

  void EndComment() { EndCommentFrom(FPos); }

  void QuietStructureStep() {
#ifdef CAL_HAVE_SSE2
    // The line's first token and the one after a ; may be properties.
    if (!FTokens && FPos > FFirst && !FAfterSemicolon) {
      FPos = QuietStructureEnd(FLine, FPos);
      if (FPos >= FLine.size()) return;
    }
#endif
    StructureStep();
  }

  // The object's structure: sections, brackets, property names; a property
  // whose value begins with BEGIN or VAR holds code.
  void StructureStep() {
    const std::size_t start = FPos;
    const unsigned char c = At(FPos);
    if (IsBlank(c)) {
      FPos = SkipBlanks(FPos);
      return;
    }
    const bool propertyStart = (start == FFirst || FAfterSemicolon) && !FState.InBrackets;
    FAfterSemicolon = false;
    if (c == '[' || c == ']') FState.InBrackets = c == '[';
    if (c == '{') {
      ++FPos;
      Emit(start, 1, TTokenKind::tkPlain);
      if (FState.CodeSectionNext) {
        FState = TLexState{};
        FState.Mode = TLexMode::lmSectionCode;
      }
      return;
    }
    if (c == ';') {
      ++FPos;
      FAfterSemicolon = true;
      Emit(start, 1, TTokenKind::tkPlain);
      return;
    }
    if (IsLetter(c)) {
      if (propertyStart && PropertyName()) return;
      const std::size_t end = WordEnd(FPos);
      std::size_t wordEnd = end;
      // OBJECT-PROPERTIES is the one section keyword with a hyphen.
      if (At(end) == '-' && IsLetter(At(end + 1))) wordEnd = WordEnd(end + 1);
      const std::string_view word = FLine.substr(start, wordEnd - start);
      const bool alone = SkipBlanks(wordEnd) == FLine.size() &&
                         (start == FFirst || (start > 0 && FLine[start - 1] == '='));
      if (alone && IsSectionKeyword(word) && IsUpperCase(word)) {
        Emit(start, word.size(), TTokenKind::tkSection);
        if (word == "CODE") FState.CodeSectionNext = true;
      } else {
        Emit(start, end - start, TTokenKind::tkPlain);
        wordEnd = end;
      }
      FPos = wordEnd;
      return;
    }
    if (c == '"') {
      QuotedIdent();
      return;
    }
    FPos = IsDigit(c) ? WordEnd(FPos) : FPos + 1;
    Emit(start, FPos - start, TTokenKind::tkPlain);
  }

  static bool IsUpperCase(std::string_view word) {
    return std::none_of(word.begin(), word.end(), [](char ch) { return ch >= 'a' && ch <= 'z'; });
  }

  bool PropertyName() {
    std::size_t i = FPos;
    // Import::OnAfterInsertRecord: the triggers of XMLport elements.
    while (i < FLine.size() && (IsWordChar(At(i)) || At(i) == ' ' || At(i) == '-' || At(i) == ':'))
      ++i;
    if (At(i) != '=' || At(i - 1) == ' ') return false;
    const std::string_view name = FLine.substr(FPos, i - FPos);
    Emit(FPos, name.size(), TTokenKind::tkProperty);
    FPos = i + 1;
    // A trigger's code starts right after the =.
    const std::size_t valueEnd = WordEnd(FPos);
    const std::string_view value = FLine.substr(FPos, valueEnd - FPos);
    const bool trigger = IsTriggerName(name);
    if ((SameWord(value, "BEGIN") || SameWord(value, "VAR")) &&
        (trigger || SkipBlanks(valueEnd) == FLine.size())) {
      FState.Mode = TLexMode::lmTriggerCode;
      FState.CodeBegun = false;
      FState.Depth = 0;
    }
    return true;
  }

  void QuotedIdent() {
    const std::size_t start = FPos;
    const std::size_t end = FLine.find('"', FPos + 1);
    FPos = end == std::string_view::npos ? FLine.size() : end + 1;
    Emit(start, FPos - start, TTokenKind::tkQuotedIdent);
  }

  void LeaveCode() {
    FState = TLexState{};
  }

  // Code without tokens: only comments, strings, a stray brace and BEGIN,
  // CASE and END change the state, so everything else is skipped quickly.
  void CodeStates() {
    while (FPos < FLine.size()) {
#ifdef CAL_HAVE_SSE2
      FPos = QuietCodeEnd(FLine, FPos);
      if (FPos >= FLine.size()) break;
#endif
      const auto c = static_cast<unsigned char>(FLine[FPos]);
      if (IsWordChar(c)) {
        const std::size_t start = FPos;
        FPos = WordEnd(FPos);
        const std::size_t length = FPos - start;
        const char lower = char(c | 0x20);
        if (length >= 3 && length <= 5 && (lower == 'b' || lower == 'c' || lower == 'e')) {
          Word(FLine.substr(start, length), start);
          if (FState.Mode == TLexMode::lmStructure) return;
        }
      } else if (c == '\'' || c == '"' || c == '{' || c == '}' || c == '/' || c == '(') {
        CodeStep();
        if (FState.Mode == TLexMode::lmStructure || FState.Comment != TCommentKind::ckNone) return;
      } else {
        ++FPos;
      }
    }
  }

  void CodeStep() {
    const std::size_t start = FPos;
    const unsigned char c = At(FPos);
    if (IsBlank(c)) {
      FPos = SkipBlanks(FPos);
      return;
    }
    if (c == '/' && At(FPos + 1) == '/') {
      Emit(start, FLine.size() - start, TTokenKind::tkComment);
      FPos = FLine.size();
      return;
    }
    if (c == '{') {
      FState.Comment = TCommentKind::ckBrace;
      ++FPos;
      EndCommentFrom(start);
      return;
    }
    if (c == '(' && At(FPos + 1) == '*') {
      FState.Comment = TCommentKind::ckParen;
      FPos += 2;
      EndCommentFrom(start);
      return;
    }
    if (c == '}') {
      // A closing brace outside a comment ends the code: the structure goes on.
      LeaveCode();
      ++FPos;
      Emit(start, 1, TTokenKind::tkPlain);
      return;
    }
    if (c == '\'') {
      std::size_t i = FPos + 1;
      while (i < FLine.size()) {
        if (FLine[i] == '\'') {
          if (At(i + 1) != '\'') break;
          ++i;
        }
        ++i;
      }
      FPos = std::min(i + 1, FLine.size());
      Emit(start, FPos - start, TTokenKind::tkString);
      return;
    }
    if (c == '"') {
      QuotedIdent();
      return;
    }
    if (IsDigit(c)) {
      std::size_t i = WordEnd(FPos);
      if (At(i) == '.' && IsDigit(At(i + 1))) i = WordEnd(i + 1);
      FPos = i;
      Emit(start, i - start, TTokenKind::tkNumber);
      return;
    }
    if (IsWordChar(c)) {
      FPos = WordEnd(FPos);
      Word(FLine.substr(start, FPos - start), start);
      return;
    }
    ++FPos;
    Emit(start, 1, TTokenKind::tkPlain);
  }

  void EndCommentFrom(std::size_t start) {
    const std::string_view closer = FState.Comment == TCommentKind::ckBrace ? "}" : "*)";
    const std::size_t end = FLine.find(closer, FPos);
    if (end == std::string_view::npos) {
      FPos = FLine.size();
    } else {
      FPos = end + closer.size();
      FState.Comment = TCommentKind::ckNone;
    }
    Emit(start, FPos - start, TTokenKind::tkComment);
  }

  void Word(std::string_view word, std::size_t start) {
    // Without tokens only the words that move the state matter.
    const bool moves =
        word.size() >= 3 && word.size() <= 5 &&
        ((word[0] | 0x20) == 'b' || (word[0] | 0x20) == 'c' || (word[0] | 0x20) == 'e');
    if (!FTokens && !moves) return;
    // Without tokens BEGIN, CASE and END, keywords all, tell enough.
    if (FTokens) {
      if (!IsKeyword(word)) {
        Emit(start, word.size(), TTokenKind::tkPlain);
        return;
      }
      Emit(start, word.size(), TTokenKind::tkKeyword);
    }
    if (SameWord(word, "BEGIN") || SameWord(word, "CASE")) {
      FState.CodeBegun = true;
      if (FState.Depth < UINT16_MAX) ++FState.Depth;
    } else if (SameWord(word, "END")) {
      if (FState.Depth > 0) --FState.Depth;
      if (FState.Depth == 0) {
        // END; closes a trigger; END. closes the CODE section.
        if (FState.Mode == TLexMode::lmTriggerCode && FState.CodeBegun) {
          LeaveCode();
        } else if (FState.Mode == TLexMode::lmSectionCode && At(FPos) == '.') {
          ++FPos;
          Emit(FPos - 1, 1, TTokenKind::tkPlain);
          LeaveCode();
        }
      }
    }
  }

  std::string_view FLine;
  TLexState FState;
  std::int32_t FBase;
  std::vector<TToken>* FTokens;
  std::size_t FFirst;  // the line's first byte that is no blank
  std::size_t FPos;
  bool FAfterSemicolon = false;
};

}  // namespace

bool IsKeyword(std::string_view word) {
  // Most words in code are longer than any keyword.
  if (word.size() < 2 || word.size() > LongestKeyword) return false;
  std::array<char, LongestKeyword> upper;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const auto c = static_cast<unsigned char>(word[i]);
    upper[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  return std::binary_search(Keywords.begin(), Keywords.end(),
                            std::string_view(upper.data(), word.size()));
}

bool IsTriggerName(std::string_view name) {
  const std::size_t colons = name.rfind("::");
  if (colons != std::string_view::npos) name.remove_prefix(colons + 2);
  return name.size() > 2 && (name[0] | 0x20) == 'o' && (name[1] | 0x20) == 'n';
}

bool IsSectionKeyword(std::string_view word) {
  return InList(word, Sections);
}

TLexState LexLine(std::string_view line, TLexState state, std::int32_t base,
                  std::vector<TToken>* tokens) {
  return TLineLexer(line, state, base, tokens).Run();
}

TLexState LexLineStatesFrom(std::string_view line, TLexState state, std::size_t from) {
  return TLineLexer(line, state, 0, nullptr, from).Run();
}

void TLexedText::Reset(std::string_view text) {
  FText = text;
  FLineStarts.assign(1, 0);
  FStates.assign(1, TLexState{});
  FDone = false;
}

// Lexes the last known line, whose start and start state are the last ones
// kept, and keeps where the next one starts and in which state.
void TLexedText::LexOne() const {
  const auto start = std::size_t(FLineStarts.back());
  std::size_t end = start;
  while (end < FText.size() && FText[end] != '\r' && FText[end] != '\n') ++end;
  const TLexState state = LexLine(FText.substr(start, end - start), FStates.back(), 0, nullptr);
  if (end == FText.size()) {
    FDone = true;
    return;
  }
  FLineStarts.push_back(std::int32_t(
      end + (FText[end] == '\r' && end + 1 < FText.size() && FText[end + 1] == '\n' ? 2 : 1)));
  FStates.push_back(state);
}

void TLexedText::LexTo(int line) const {
  while (!FDone && int(FLineStarts.size()) <= line) LexOne();
}

void TLexedText::LexPast(std::int32_t offset) const {
  while (!FDone && FLineStarts.back() <= offset) LexOne();
}

int TLexedText::LineCount() const {
  LexTo(INT_MAX);
  return int(FLineStarts.size());
}

std::int32_t TLexedText::LineStart(int line) const {
  LexTo(line);
  return FLineStarts[std::size_t(line)];
}

TLexState TLexedText::StartState(int line) const {
  LexTo(line);
  return FStates[std::size_t(line)];
}

std::int32_t TLexedText::LineEnd(int line) const {
  LexTo(line + 1);
  if (line + 1 >= int(FLineStarts.size())) return std::int32_t(FText.size());
  std::int32_t end = FLineStarts[std::size_t(line) + 1] - 1;
  if (end > FLineStarts[std::size_t(line)] && FText[std::size_t(end)] == '\n' &&
      FText[std::size_t(end) - 1] == '\r')
    --end;
  return end;
}

int TLexedText::LineOf(std::int32_t offset) const {
  LexPast(offset);
  const auto it = std::upper_bound(FLineStarts.begin(), FLineStarts.end(), offset);
  return std::max(0, int(it - FLineStarts.begin()) - 1);
}

void TLexedText::Tokens(int line, std::vector<TToken>& tokens) const {
  tokens.clear();
  const std::int32_t start = LineStart(line);
  LexLine(FText.substr(std::size_t(start), std::size_t(LineEnd(line) - start)), StartState(line),
          start, &tokens);
}

}  // namespace cal
