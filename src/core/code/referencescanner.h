// SPDX-License-Identifier: MIT
// The reading of references between objects in lexed lines, shared by the
// full reading and the search for the uses of one object; internal to this
// library.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "callexer.h"
#include "objectreferences.h"

namespace cal::detail {

inline bool SameText(std::string_view a, std::string_view b) {
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
inline constexpr std::array<TTypeWord, 10> NumberTypeWords = {
    {{"Record", TObjectType::otTable},
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
inline constexpr std::array<TTypeWord, 8> NameTypeWords = {{{"DATABASE", TObjectType::otTable},
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
inline bool IsRelationWord(std::string_view word) {
  for (std::string_view w : {"IF", "ELSE", "WHERE", "FILTER", "CONST", "FIELD", "UPPERLIMIT"})
    if (SameText(word, w)) return true;
  return false;
}

inline bool IsFormulaWord(std::string_view word) {
  for (std::string_view w : {"SUM", "COUNT", "LOOKUP", "EXIST", "AVERAGE", "MIN", "MAX"})
    if (SameText(word, w)) return true;
  return false;
}

inline bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return IsDigit(static_cast<unsigned char>(c));
  });
}

inline std::int32_t ToID(std::string_view digits) {
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

}  // namespace cal::detail
