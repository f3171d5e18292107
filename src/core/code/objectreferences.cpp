// SPDX-License-Identifier: MIT
#include "objectreferences.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "callexer.h"
#include "textsearch.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define CAL_HAVE_SSE2 1
#endif

namespace cal {

namespace {

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto up = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
           return up(x) == up(y);
         });
}

struct TTypeWord {
  std::string_view Word;
  TObjectType Type;
};

// Words that stand before an object number: declarations, RunObject and
// permissions.
constexpr std::array<TTypeWord, 10> NumberTypeWords = {{{"Record", TObjectType::otTable},
                                                        {"Table", TObjectType::otTable},
                                                        {"TableData", TObjectType::otTable},
                                                        {"Codeunit", TObjectType::otCodeunit},
                                                        {"Page", TObjectType::otPage},
                                                        {"Report", TObjectType::otReport},
                                                        {"XMLport", TObjectType::otXMLport},
                                                        {"Query", TObjectType::otQuery},
                                                        {"Form", TObjectType::otForm},
                                                        {"Dataport", TObjectType::otDataport}}};

// Words that stand before :: and an object name.
constexpr std::array<TTypeWord, 8> NameTypeWords = {{{"DATABASE", TObjectType::otTable},
                                                     {"CODEUNIT", TObjectType::otCodeunit},
                                                     {"PAGE", TObjectType::otPage},
                                                     {"REPORT", TObjectType::otReport},
                                                     {"XMLPORT", TObjectType::otXMLport},
                                                     {"QUERY", TObjectType::otQuery},
                                                     {"FORM", TObjectType::otForm},
                                                     {"DATAPORT", TObjectType::otDataport}}};

template <std::size_t N>
bool TypeOf(std::string_view word, const std::array<TTypeWord, N>& words, TObjectType& type) {
  // Type words are four to nine letters long; most words are not.
  if (word.size() < 4 || word.size() > 9) return false;
  for (const TTypeWord& entry : words)
    if (SameText(word, entry.Word)) {
      type = entry.Type;
      return true;
    }
  return false;
}

// Words of a table relation that are not table names.
bool IsRelationWord(std::string_view word) {
  for (std::string_view w : {"IF", "ELSE", "WHERE", "FILTER", "CONST", "FIELD", "UPPERLIMIT"})
    if (SameText(word, w)) return true;
  return false;
}

bool IsFormulaWord(std::string_view word) {
  for (std::string_view w : {"SUM", "COUNT", "LOOKUP", "EXIST", "AVERAGE", "MIN", "MAX"})
    if (SameText(word, w)) return true;
  return false;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return IsDigit(static_cast<unsigned char>(c));
  });
}

std::int32_t ToID(std::string_view digits) {
  std::int64_t value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) return -1;
  }
  return std::int32_t(value);
}

// Finds references in a stream of lexed lines; a table relation or a flow
// formula may go on over the next lines, so their state is kept here.
class TReferenceScanner {
 public:
  TReferenceScanner(std::string_view text, std::vector<TObjectReference>& refs)
      : FText(text), FRefs(refs) {}

  // Forgets a relation or formula that lines not scanned may have ended.
  void Reset() {
    FRelation = FFormula = FAfterDot = false, FDepth = 0;
    FRunObjectType.reset();
  }

  // Whether a relation or flow formula goes on past the lines scanned.
  bool InRelation() const { return FRelation || FFormula; }

  void Line(int index, const std::vector<TToken>& all) {
    FTokens.clear();
    for (const TToken& token : all)
      if (token.Kind != TTokenKind::tkComment && token.Kind != TTokenKind::tkString &&
          token.Kind != TTokenKind::tkHeader)
        FTokens.push_back(token);
    FLine = index + 1;
    for (std::size_t i = 0; i < FTokens.size(); ++i) Token(i);
  }

 private:
  std::string_view Text(std::size_t i) const {
    return FText.substr(std::size_t(FTokens[i].Start), std::size_t(FTokens[i].Length));
  }
  bool Is(std::size_t i, char c) const {
    return i < FTokens.size() && Text(i) == std::string_view(&c, 1);
  }
  bool Adjacent(std::size_t i) const {
    return FTokens[i - 1].Start + FTokens[i - 1].Length == FTokens[i].Start;
  }
  bool IsName(std::size_t i) const {
    if (i >= FTokens.size()) return false;
    // "" or a lone " cut off by the line's end names nothing.
    if (FTokens[i].Kind == TTokenKind::tkQuotedIdent) return !NameOf(i).empty();
    const std::string_view word = Text(i);
    return FTokens[i].Kind == TTokenKind::tkPlain && IsLetter(static_cast<unsigned char>(word[0]));
  }
  std::string NameOf(std::size_t i) const {
    std::string_view word = Text(i);
    if (FTokens[i].Kind == TTokenKind::tkQuotedIdent) {
      word.remove_prefix(1);
      if (!word.empty() && word.back() == '"') word.remove_suffix(1);
    }
    return std::string(word);
  }

  void Add(TObjectType type, std::int32_t id, std::string name, bool byName, std::size_t first,
           std::size_t last) {
    const std::int32_t start = FTokens[first].Start;
    AddAt(type, id, std::move(name), byName, start,
          FTokens[last].Start + FTokens[last].Length - start);
  }
  void AddAt(TObjectType type, std::int32_t id, std::string name, bool byName, std::int32_t start,
             std::int32_t length) {
    FRefs.push_back({type, id, std::move(name), byName, start, length, FLine});
  }

  void Token(std::size_t i) {
    const TToken& token = FTokens[i];
    const std::string_view word = Text(i);
    if (token.Kind == TTokenKind::tkProperty) {
      // A field name that opens a line of a condition spanning lines looks
      // like a property ("System-Created Entry=CONST(No)"); it ends nothing.
      if ((FRelation || FFormula) && FDepth > 0) return;
      FRelation = SameText(word, "TableRelation");
      FFormula = SameText(word, "CalcFormula");
      FDepth = 0;
      FAfterDot = false;
      if (PermissionLine(i)) return;
      if (SameText(word, "RunObjectType")) FRunObjectType = TypeAfter(i);
      if (SameText(word, "RunObjectID") && FRunObjectType) NumberAfter(i, *FRunObjectType);
      if (!GluedNumber(i + 1)) NameValue(i);
      return;
    }
    if (FRelation || FFormula) {
      if (Relation(i)) return;
    }
    if (token.Kind == TTokenKind::tkPlain && (word == "{" || word == "}")) FRunObjectType.reset();
    TObjectType type;
    if (token.Kind == TTokenKind::tkPlain && IsLetter(static_cast<unsigned char>(word[0]))) {
      // Record 18, RunObject=Page 21: the number is the next token, after blanks only.
      if (i + 1 < FTokens.size() && TypeOf(word, NumberTypeWords, type) && !Adjacent(i + 1) &&
          AllDigits(Text(i + 1)) && Gap(i) && (i == 0 || !Is(i - 1, '.'))) {
        const std::int32_t id = ToID(Text(i + 1));
        if (id >= 0) Add(type, id, {}, false, i, i + 1);
        return;
      }
      // Record Customer, Codeunit "Sales-Post", TableData Customer=r, RunObject=Page "X".
      if (i + 1 < FTokens.size() && TypeOf(word, NumberTypeWords, type) && IsName(i + 1) &&
          NameStands(i, type)) {
        Add(type, 0, NameOf(i + 1), true, i, i + 1);
        return;
      }
      // CODEUNIT::"Sales-Post", DATABASE::Customer
      if (i + 3 < FTokens.size() && TypeOf(word, NameTypeWords, type) && Is(i + 1, ':') &&
          Is(i + 2, ':') && Adjacent(i + 2) && IsName(i + 3)) {
        Add(type, 0, NameOf(i + 3), true, i, i + 3);
        return;
      }
      // PAGE.RUN(21...), REPORT.RUNMODAL(206...)
      if (i + 4 < FTokens.size() && TypeOf(word, NameTypeWords, type) && Is(i + 1, '.') &&
          IsRunMethod(Text(i + 2)) && Is(i + 3, '(') && AllDigits(Text(i + 4))) {
        const std::int32_t id = ToID(Text(i + 4));
        if (id >= 0) Add(type, id, {}, false, i, i + 4);
        return;
      }
      // [EventSubscriber(Table,18,OnAfterInsertEvent,...)]
      if (i >= 2 && i + 2 < FTokens.size() && Is(i - 1, '(') &&
          SameText(Text(i - 2), "EventSubscriber") && TypeOf(word, NumberTypeWords, type) &&
          Is(i + 1, ',')) {
        if (AllDigits(Text(i + 2))) {
          const std::int32_t id = ToID(Text(i + 2));
          if (id >= 0) Add(type, id, {}, false, i, i + 2);
        } else if (IsName(i + 2)) {
          Add(type, 0, NameOf(i + 2), true, i, i + 2);
        }
      }
    }
  }

  static bool IsRunMethod(std::string_view word) {
    for (std::string_view w : {"RUN", "RUNMODAL", "SAVEASPDF", "SAVEASXML", "SAVEASEXCEL",
                               "SAVEASWORD", "SAVEAS", "EXECUTE", "PRINT"})
      if (SameText(word, w)) return true;
    return false;
  }

  // Where a type word and a name make a reference: a declaration ("X : Record
  // Customer", "TEMPORARY Record", "ARRAY [2] OF Record"), a RunObject value
  // or a permission ("TableData Customer=r"). Elsewhere "Page Setup" is prose.
  bool NameStands(std::size_t i, TObjectType type) const {
    if (type == TObjectType::otTable && SameText(Text(i), "TableData"))
      return i + 2 < FTokens.size() && Is(i + 2, '=');
    if (i == 0) return false;
    if (Is(i - 1, ':')) return true;
    if (FTokens[i - 1].Kind == TTokenKind::tkKeyword)
      return SameText(Text(i - 1), "OF") ||
             (SameText(Text(i - 1), "TEMPORARY") && i >= 2 && Is(i - 2, ':'));
    return FTokens[i - 1].Kind == TTokenKind::tkProperty && SameText(Text(i - 1), "RunObject");
  }

  // "TableData 21" or "TableData Customer" on a continuation line of a
  // Permissions list reads as a property name before its "=".
  bool PermissionLine(std::size_t i) {
    std::string_view word = Text(i);
    constexpr std::string_view Prefix = "TableData ";
    if (word.size() <= Prefix.size() || !SameText(word.substr(0, Prefix.size()), Prefix))
      return false;
    std::string_view rest = word.substr(Prefix.size());
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
    if (rest.empty()) return false;
    const std::int32_t start = FTokens[i].Start;
    if (AllDigits(rest)) {
      const std::int32_t id = ToID(rest);
      if (id >= 0) AddAt(TObjectType::otTable, id, {}, false, start, FTokens[i].Length);
    } else {
      AddAt(TObjectType::otTable, 0, std::string(rest), true, start, FTokens[i].Length);
    }
    return true;
  }

  // The object type named right after property i's "=", as RunObjectType=Page.
  std::optional<TObjectType> TypeAfter(std::size_t i) const {
    TObjectType type;
    if (i + 1 < FTokens.size() && TypeOf(Text(i + 1), NumberTypeWords, type)) return type;
    return std::nullopt;
  }

  void NumberAfter(std::size_t i, TObjectType type) {
    if (i + 1 >= FTokens.size() || !AllDigits(Text(i + 1))) return;
    const std::int32_t id = ToID(Text(i + 1));
    if (id >= 0) Add(type, id, {}, false, i, i + 1);
  }

  // SourceTable=Customer, CardPageID=Customer Card, LookupPageID="Customer
  // Lookup": properties whose whole value names an object.
  void NameValue(std::size_t i) {
    static constexpr std::array<TTypeWord, 5> Properties = {
        {{"SourceTable", TObjectType::otTable},
         {"DataItemTable", TObjectType::otTable},
         {"CardPageID", TObjectType::otPage},
         {"LookupPageID", TObjectType::otPage},
         {"DrillDownPageID", TObjectType::otPage}}};
    const auto property =
        std::find_if(Properties.begin(), Properties.end(),
                     [&](const TTypeWord& p) { return SameText(Text(i), p.Word); });
    if (property == Properties.end()) return;
    const TObjectType type = property->Type;
    auto start = std::size_t(FTokens[i].Start + FTokens[i].Length);
    if (start >= FText.size() || FText[start] != '=') return;
    ++start;
    std::size_t end = start;
    if (end < FText.size() && FText[end] == '"') {
      end = FText.find('"', start + 1);
      if (end == std::string_view::npos) return;
      ++end;
    } else {
      while (end < FText.size() && !std::strchr(";}\r\n", FText[end])) ++end;
      while (end > start && (FText[end - 1] == ' ' || FText[end - 1] == '\t')) --end;
    }
    std::string_view value = FText.substr(start, end - start);
    const auto length = std::int32_t(value.size());
    if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
    if (value.empty() || !IsLetter(static_cast<unsigned char>(value[0]))) {
      if (AllDigits(value) && ToID(value) >= 0)
        AddAt(type, ToID(value), {}, false, std::int32_t(start), length);
      return;
    }
    AddAt(type, 0, std::string(value), true, std::int32_t(start), length);
  }

  // Only blanks between token i and the next.
  bool Gap(std::size_t i) const {
    const auto from = std::size_t(FTokens[i].Start + FTokens[i].Length);
    const auto to = std::size_t(FTokens[i + 1].Start);
    return std::all_of(FText.begin() + std::ptrdiff_t(from), FText.begin() + std::ptrdiff_t(to),
                       [](char c) { return c == ' ' || c == '\t'; });
  }

  // SourceTable=Table18, LookupPageID=Page22: a type word glued to its
  // number right after a property's =.
  bool GluedNumber(std::size_t i) {
    if (i >= FTokens.size() || FTokens[i].Kind != TTokenKind::tkPlain ||
        FTokens[i].Start != FTokens[i - 1].Start + FTokens[i - 1].Length + 1)
      return false;
    const std::string_view word = Text(i);
    std::size_t split = 0;
    while (split < word.size() && IsLetter(static_cast<unsigned char>(word[split]))) ++split;
    TObjectType type;
    if (split == 0 || !AllDigits(word.substr(split)) ||
        !TypeOf(word.substr(0, split), NumberTypeWords, type))
      return false;
    const std::int32_t id = ToID(word.substr(split));
    if (id >= 0) Add(type, id, {}, false, i, i);
    return true;
  }

  // Table names in a relation's value, and the table of a flow formula.
  bool Relation(std::size_t i) {
    const std::string_view word = Text(i);
    if (FTokens[i].Kind == TTokenKind::tkPlain && word.size() == 1) {
      const char c = word[0];
      if (c == '(') ++FDepth;
      if (c == ')' && FDepth > 0) --FDepth;
      if (c == '}' || (c == ';' && FDepth == 0)) FRelation = FFormula = false;
      FAfterDot = c == '.';
      return true;
    }
    if (FTokens[i].Kind == TTokenKind::tkKeyword) return false;
    const bool name = IsName(i);
    if (FRelation && name && FDepth == 0 && !FAfterDot && !IsRelationWord(word))
      Add(TObjectType::otTable, 0, NameOf(i), true, i, i);
    if (FFormula && name && FDepth == 1 && !FAfterDot && i >= 2 && Is(i - 1, '(') &&
        IsFormulaWord(Text(i - 2))) {
      Add(TObjectType::otTable, 0, NameOf(i), true, i, i);
      FFormula = false;
    }
    FAfterDot = false;
    return true;
  }

  std::string_view FText;
  std::vector<TObjectReference>& FRefs;
  std::vector<TToken> FTokens;
  std::int32_t FLine = 0;
  bool FRelation = false;
  bool FFormula = false;
  int FDepth = 0;
  bool FAfterDot = false;
  std::optional<TObjectType> FRunObjectType;  // of the menu item being read
};

}  // namespace

std::vector<TObjectReference> FindReferences(std::string_view text) {
  std::vector<TObjectReference> refs;
  TReferenceScanner scanner(text, refs);
  ForEachLexedLine(text,
                   [&](int index, std::int32_t, std::string_view, const std::vector<TToken>& tokens,
                       const TLexState&) { scanner.Line(index, tokens); });
  return refs;
}

namespace {

// The end of the line that starts at start.
std::size_t LineEndFrom(std::string_view text, std::size_t start) {
#ifdef CAL_HAVE_SSE2
  // Lines are short: a few blocks find their end before a call to memchr
  // would have begun.
  for (; start + 16 <= text.size(); start += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + start));
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

std::size_t NextLineStart(std::string_view text, std::size_t end) {
  return end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
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
  for (int index = 0; next != candidates.end(); ++index) {
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
      const void* sign = std::memchr(bytes.data() + FScanned, '=', to - FScanned);
      if (!sign) {
        FScanned = to;
        break;
      }
      FScanned = std::size_t(static_cast<const char*>(sign) - bytes.data());
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
    for (std::size_t hit = 0; (hit = bytes.find(Number, hit)) != std::string_view::npos; ++hit)
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
    // The objects of one file lie one after another, so one reader serves all
    // of them; a set of many files gets a reader for each run of one file.
    std::optional<vexa::TChunkReader> reader;
    const TObjectTextFile* readerOwner = nullptr;
    // Progress in about a thousand steps, so its cost stays small.
    const std::int32_t step = std::max(1, count / 1000);
    for (std::int32_t index = 0; index < count; ++index) {
      if (progress && index % step == 0 && !progress(index, count)) return false;
      const TObjectTextObject& object = file.GetObject(index);
      const std::int64_t start = object.StartOffset();
      const std::int64_t length = std::max(object.Length(), 0);
      if (&object.Owner() != readerOwner) {
        readerOwner = &object.Owner();
        if (!readerOwner->Stream())
          throw VexaError("The object's file is no longer open; open the file again");
        reader.emplace(*readerOwner->Stream(), chunkSize);
      }
      Object(index, reader->At(start, start + length, std::size_t(length)), uses);
    }
    if (progress) progress(count, count);
    return true;
  }
};

}  // namespace

bool FindUses(const TObjectSet& file, std::int32_t target, std::vector<TObjectUse>& uses,
              const TUsesProgress& progress, std::size_t chunkSize) {
  TUsesSearch search(file.GetObject(target));
  return search.Objects(file, file.GetCount(), uses, progress, chunkSize);
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
