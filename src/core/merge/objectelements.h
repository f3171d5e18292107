// SPDX-License-Identifier: MIT
// The elements an object's text is made of, as a merge pairs them: the
// object holds sections; a properties section holds properties by name; a
// section of rows holds fields, keys, controls, elements and data items by
// their ID (or what stands for one); CODE holds its variables, procedures by
// name and the documentation trigger. Every element is a run of whole lines.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "callexer.h"
#include "linemerge.h"

namespace merge {

enum class TElementKind : std::uint8_t {
  ekObject,
  ekSection,     // a section whose children are other sections
  ekProperties,  // PROPERTIES and OBJECT-PROPERTIES: properties by name
  ekRows,        // FIELDS, KEYS, CONTROLS, ...: rows by ID
  ekCode,        // CODE: its variables, procedures and documentation
  ekVariables,   // a VAR block: variables by name
  ekLeaf         // merged by its lines
};

// A container is its head, its children one after another, then its tail;
// each of the three is a run of whole lines, and together they are the
// container's text. Blank lines after a child belong to it.
struct TElement {
  TElementKind Kind = TElementKind::ekLeaf;
  std::string Key;         // unique among its siblings
  std::int32_t Begin = 0;  // lines of the object, end exclusive
  std::int32_t End = 0;
  std::int32_t HeadEnd = 0;    // containers: the first child's line
  std::int32_t TailBegin = 0;  // containers: the line after the last child
  std::vector<TElement> Children;
  bool Container() const { return Kind != TElementKind::ekLeaf; }
};

class TObjectElements {
 public:
  explicit TObjectElements(std::string_view text);

  std::string_view Text() const { return FText; }
  const TElement& Root() const { return FRoot; }
  // The bytes of lines [begin, end), as far as the text has them.
  std::string_view Lines(std::int32_t begin, std::int32_t end) const {
    end = std::clamp(end, 0, LineCount());
    return FLines.Lines(FText, std::clamp(begin, 0, end), end);
  }
  std::string_view TextOf(const TElement& element) const {
    return Lines(element.Begin, element.End);
  }
  std::int32_t LineCount() const { return FLines.Count(); }
  // Whether a mark line could stand before line: outside comments and
  // multi-line [...] values, so that the mark is read as what it is.
  bool MarkSafeBefore(std::int32_t line) const;
  // A property line's name, as "Version List" in "Version List=...;".
  std::string_view PropertyName(std::int32_t line) const;

 private:
  struct TLineInfo {
    cal::TLexState State;
    std::int32_t Depth = 0;  // open braces of the structure before the line
    std::int32_t DepthAfter = 0;
    cal::TTokenKind First = cal::TTokenKind::tkPlain;  // the line's first token
    bool FirstAtStart = false;                         // ... at its first byte that is no blank
    bool Blank = true;
    char FirstChar = 0;
  };

  bool ParseObject();
  bool ParseSections(TElement& parent, std::int32_t from, std::int32_t to, std::int32_t depth);
  bool ParseSection(TElement& section, std::int32_t depth);
  void ParseProperties(TElement& parent, std::int32_t from, std::int32_t to, std::int32_t depth);
  void ParseRows(TElement& parent, std::int32_t from, std::int32_t to, std::int32_t depth,
                 std::string_view section);
  void ParseCode(TElement& parent, std::int32_t from, std::int32_t to);
  // The line that closes the brace opened at or after from, at depth.
  std::int32_t Closing(std::int32_t open, std::int32_t depth, std::int32_t limit) const;
  std::int32_t Opening(std::int32_t from, std::int32_t depth, std::int32_t limit) const;
  std::string RowKey(std::int32_t begin, std::int32_t end, std::string_view section) const;
  std::string_view LineText(std::int32_t line) const;

  std::string_view FText;
  TLineIndex FLines;
  std::vector<TLineInfo> FInfo;
  TElement FRoot;
};

// Gives repeated keys among children a count ("Name#2"), so that keys pair
// the n-th occurrence on each side.
void MakeKeysUnique(std::vector<TElement>& children);

}  // namespace merge
