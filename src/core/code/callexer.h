// SPDX-License-Identifier: MIT
// A line-by-line lexer of object text. Each line starts in a small state
// carried over from the line before, so a view can lex any line on its own
// once the start states of all lines are known; those are found in one
// linear pass. Braces are brackets in the object's structure and comments
// only inside code (the CODE section and triggers such as OnValidate=BEGIN).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace cal {

// Character classes of the language's words, ASCII only: bytes of the upper
// half of the code page never make a word.
inline bool IsLetter(unsigned char c) {
  return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}
inline bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
inline bool IsWordChar(unsigned char c) {
  return IsLetter(c) || IsDigit(c) || c == '_';
}

enum class TTokenKind : std::uint8_t {
  tkPlain,        // words and punctuation without a colour of their own
  tkHeader,       // the OBJECT line
  tkSection,      // FIELDS, KEYS, CODE, ...
  tkProperty,     // a property name before its =
  tkKeyword,      // BEGIN, IF, PROCEDURE, ... in code
  tkString,       // '...' with '' inside
  tkQuotedIdent,  // "..."
  tkNumber,       // digits, also date and time constants such as 010120D
  tkComment       // // ..., { ... } and (* ... *) in code
};

// Start is a byte offset into the text the line belongs to.
struct TToken {
  std::int32_t Start;
  std::int32_t Length;
  TTokenKind Kind;
};

enum class TLexMode : std::uint8_t { lmStructure, lmTriggerCode, lmSectionCode };
enum class TCommentKind : std::uint8_t { ckNone, ckBrace, ckParen };

// What a line inherits from the lines before it.
struct TLexState {
  TLexMode Mode = TLexMode::lmStructure;
  TCommentKind Comment = TCommentKind::ckNone;
  bool CodeBegun = false;        // a trigger has met its first BEGIN
  bool CodeSectionNext = false;  // CODE was seen; its { opens code
  bool InBrackets = false;       // inside a [...] value such as CaptionML, maybe over lines
  std::uint16_t Depth = 0;       // open BEGIN and CASE blocks
  bool operator==(const TLexState&) const = default;
};

// Lexes one line (without its line break) that starts in state; appends its
// tokens, shifted by base, when tokens is given; returns the state the next
// line starts in. A line that starts with the object marker resets the state.
TLexState LexLine(std::string_view line, TLexState state, std::int32_t base,
                  std::vector<TToken>* tokens);

// LexLine without tokens, begun at from: a place that lexing the line from
// its start in state would reach in code, in that same state.
TLexState LexLineStatesFrom(std::string_view line, TLexState state, std::size_t from);

bool IsKeyword(std::string_view word);
bool IsSectionKeyword(std::string_view word);
// OnValidate, OnAction, Export::OnBeforePassVariable, ...
bool IsTriggerName(std::string_view name);

// A text split into lines at CR LF, lone CR and lone LF, with the state each
// line starts in. The text itself is not copied and must outlive this.
// Lines are lexed only as far as a question about them needs, so a view that
// shows the top of a long text lexes only the lines it shows.
class TLexedText {
 public:
  TLexedText() = default;
  explicit TLexedText(std::string_view text) { Reset(text); }
  void Reset(std::string_view text);

  std::string_view Text() const { return FText; }
  int LineCount() const;
  std::int32_t LineStart(int line) const;
  // The end of the line's bytes, before its line break.
  std::int32_t LineEnd(int line) const;
  TLexState StartState(int line) const;
  // 0-based line that holds offset; offsets past the end give the last line.
  int LineOf(std::int32_t offset) const;
  void Tokens(int line, std::vector<TToken>& tokens) const;

 private:
  // Lexes on until line is known or the text ends.
  void LexTo(int line) const;
  // Lexes on until a line starts after offset or the text ends.
  void LexPast(std::int32_t offset) const;
  void LexOne() const;

  std::string_view FText;
  mutable std::vector<std::int32_t> FLineStarts{0};
  mutable std::vector<TLexState> FStates{TLexState{}};
  mutable bool FDone = true;  // every line is lexed
};

// Calls visit(lineIndex, lineStart, line, tokens, startState) for every line
// of text in order, lexing as it goes; lines are 0-based.
template <typename Visit>
void ForEachLexedLine(std::string_view text, Visit&& visit) {
  TLexState state;
  std::vector<TToken> tokens;
  std::size_t start = 0;
  int index = 0;
  for (;;) {
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    tokens.clear();
    const std::string_view line = text.substr(start, end - start);
    const TLexState startState = state;
    state = LexLine(line, state, std::int32_t(start), &tokens);
    visit(index, std::int32_t(start), line, tokens, startState);
    if (end == text.size()) break;
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    ++index;
  }
}

}  // namespace cal
