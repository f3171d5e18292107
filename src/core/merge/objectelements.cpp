// SPDX-License-Identifier: MIT
#include "objectelements.h"

#include <algorithm>
#include <unordered_map>

#include "objectoutline.h"

namespace merge {

namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameWord(std::string_view word, std::string_view upper) {
  return word.size() == upper.size() &&
         std::equal(word.begin(), word.end(), upper.begin(),
                    [](char a, char b) { return (a >= 'a' && a <= 'z' ? char(a - 32) : a) == b; });
}

// The value of Name= within a row's lines, up to its ; or closing brace.
std::string_view ValueOf(std::string_view text, std::string_view name) {
  std::size_t at = 0;
  while ((at = text.find(name, at)) != std::string_view::npos) {
    const bool start = at == 0 || text[at - 1] == ' ' || text[at - 1] == ';';
    at += name.size();
    if (!start || at >= text.size() || text[at] != '=') continue;
    std::string_view value = text.substr(at + 1);
    value = value.substr(0, std::min(value.find_first_of(";\r\n"), value.size()));
    value = Trim(value);
    if (!value.empty() && value.back() == '}') value = Trim(value.substr(0, value.size() - 1));
    return value;
  }
  return {};
}

bool IsNumber(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

}  // namespace

void MakeKeysUnique(std::vector<TElement>& children) {
  std::unordered_map<std::string, int> seen;
  for (TElement& child : children) {
    const int n = ++seen[child.Key];
    if (n > 1) child.Key += "#" + std::to_string(n);
  }
}

TObjectElements::TObjectElements(std::string_view text) : FText(text), FLines(IndexLines(text)) {
  const std::int32_t count = FLines.Count();
  FInfo.resize(std::size_t(count) + 1);
  cal::TLexState state;
  std::int32_t depth = 0;
  std::vector<cal::TToken> tokens;
  for (std::int32_t i = 0; i < count; ++i) {
    TLineInfo& info = FInfo[std::size_t(i)];
    const std::string_view line = LineText(i);
    info.State = state;
    info.Depth = depth;
    tokens.clear();
    state = cal::LexLine(line, state, 0, &tokens);
    const std::size_t first = line.find_first_not_of(" \t");
    info.Blank = first == std::string_view::npos;
    info.FirstChar = info.Blank ? 0 : line[first];
    if (!tokens.empty()) {
      info.First = tokens.front().Kind;
      info.FirstAtStart = std::size_t(tokens.front().Start) == first;
    }
    for (const cal::TToken& token : tokens) {
      if (token.Kind != cal::TTokenKind::tkPlain || token.Length != 1) continue;
      const char c = line[std::size_t(token.Start)];
      if (c == '{') ++depth;
      if (c == '}' && depth > 0) --depth;
    }
    info.DepthAfter = depth;
  }
  FInfo[std::size_t(count)].State = state;
  FInfo[std::size_t(count)].Depth = depth;
  if (!ParseObject()) {
    FRoot = TElement{};
    FRoot.End = count;
  }
}

std::string_view TObjectElements::LineText(std::int32_t line) const {
  std::string_view bytes = Lines(line, line + 1);
  while (!bytes.empty() && (bytes.back() == '\r' || bytes.back() == '\n' || bytes.back() == '\0'))
    bytes.remove_suffix(1);
  return bytes;
}

bool TObjectElements::MarkSafeBefore(std::int32_t line) const {
  if (line < 0 || line > LineCount()) return false;
  const cal::TLexState& state = FInfo[std::size_t(line)].State;
  return state.Comment == cal::TCommentKind::ckNone && !state.InBrackets;
}

std::string_view TObjectElements::PropertyName(std::int32_t line) const {
  const std::string_view text = Trim(LineText(line));
  const std::size_t eq = text.find('=');
  return eq == std::string_view::npos ? std::string_view{} : text.substr(0, eq);
}

std::int32_t TObjectElements::Opening(std::int32_t from, std::int32_t depth,
                                      std::int32_t limit) const {
  for (std::int32_t i = from; i < limit; ++i)
    if (FInfo[std::size_t(i)].DepthAfter > depth) return i;
  return -1;
}

std::int32_t TObjectElements::Closing(std::int32_t open, std::int32_t depth,
                                      std::int32_t limit) const {
  for (std::int32_t i = open + 1; i < limit; ++i)
    if (FInfo[std::size_t(i)].DepthAfter <= depth) return i;
  return -1;
}

bool TObjectElements::ParseObject() {
  const std::int32_t count = LineCount();
  if (count < 2 || FInfo[0].First != cal::TTokenKind::tkHeader) return false;
  const std::int32_t open = Opening(0, 0, count);
  if (open < 0 || FInfo[std::size_t(open)].Depth != 0) return false;
  const std::int32_t close = Closing(open, 0, count);
  if (close < 0) return false;
  FRoot.Kind = TElementKind::ekObject;
  FRoot.Begin = 0;
  FRoot.End = count;
  FRoot.HeadEnd = open + 1;
  FRoot.TailBegin = close;
  return ParseSections(FRoot, open + 1, close, 1);
}

// Sections at depth, each running to the next; the blank lines before the
// first belong to the head. Anything else leaves the parent unsplit.
bool TObjectElements::ParseSections(TElement& parent, std::int32_t from, std::int32_t to,
                                    std::int32_t depth) {
  std::vector<std::int32_t> starts;
  for (std::int32_t i = from; i < to; ++i) {
    const TLineInfo& info = FInfo[std::size_t(i)];
    if (info.Depth != depth || info.Blank) continue;
    if (info.First != cal::TTokenKind::tkSection || !info.FirstAtStart) return false;
    starts.push_back(i);
    const std::int32_t open = Opening(i, depth, to);
    if (open < 0) return false;
    const std::int32_t close = Closing(open, depth, to);
    if (close < 0) return false;
    i = close;
  }
  if (starts.empty()) return false;
  parent.HeadEnd = starts.front();
  for (std::size_t s = 0; s < starts.size(); ++s) {
    TElement section;
    section.Begin = starts[s];
    section.End = s + 1 < starts.size() ? starts[s + 1] : to;
    section.Key = std::string(Trim(LineText(section.Begin)));
    if (!ParseSection(section, depth)) {
      section.Kind = TElementKind::ekLeaf;
      section.Children.clear();
    }
    parent.Children.push_back(std::move(section));
  }
  MakeKeysUnique(parent.Children);
  return true;
}

bool TObjectElements::ParseSection(TElement& section, std::int32_t depth) {
  const std::int32_t open = Opening(section.Begin, depth, section.End);
  const std::int32_t close = Closing(open, depth, section.End);
  section.HeadEnd = open + 1;
  section.TailBegin = close;
  const std::string_view name = section.Key;
  if (name == "RDLDATA" || name == "WORDLAYOUT") return false;
  if (name == "PROPERTIES" || name == "OBJECT-PROPERTIES") {
    section.Kind = TElementKind::ekProperties;
    ParseProperties(section, open + 1, close, depth + 1);
  } else if (name == "CODE") {
    section.Kind = TElementKind::ekCode;
    ParseCode(section, open + 1, close);
  } else if (name == "REQUESTPAGE" || name == "REQUESTFORM") {
    section.Kind = TElementKind::ekSection;
    return ParseSections(section, open + 1, close, depth + 1);
  } else {
    section.Kind = TElementKind::ekRows;
    ParseRows(section, open + 1, close, depth + 1, name);
  }
  return true;
}

// A property starts on a line of the structure at depth whose first word is
// its name; code, [...] values and nested blocks are its further lines.
void TObjectElements::ParseProperties(TElement& parent, std::int32_t from, std::int32_t to,
                                      std::int32_t depth) {
  std::vector<std::int32_t> starts;
  for (std::int32_t i = from; i < to; ++i) {
    const TLineInfo& info = FInfo[std::size_t(i)];
    if (info.Depth == depth && info.State.Mode == cal::TLexMode::lmStructure &&
        !info.State.InBrackets && info.State.Comment == cal::TCommentKind::ckNone &&
        info.First == cal::TTokenKind::tkProperty && info.FirstAtStart)
      starts.push_back(i);
  }
  parent.HeadEnd = starts.empty() ? to : starts.front();
  for (std::size_t s = 0; s < starts.size(); ++s) {
    TElement property;
    property.Begin = starts[s];
    property.End = s + 1 < starts.size() ? starts[s + 1] : to;
    property.Key = std::string(PropertyName(property.Begin));
    // ActionList=ACTIONS and the like hold rows of their own.
    const std::int32_t open = Opening(property.Begin, depth, property.End);
    const std::int32_t close = open < 0 ? -1 : Closing(open, depth, property.End);
    if (open >= 0 && close >= 0 &&
        FInfo[std::size_t(open)].State.Mode == cal::TLexMode::lmStructure) {
      property.Kind = TElementKind::ekRows;
      property.HeadEnd = open + 1;
      property.TailBegin = close;
      ParseRows(property, open + 1, close, depth + 1, property.Key);
    }
    parent.Children.push_back(std::move(property));
  }
  MakeKeysUnique(parent.Children);
}

void TObjectElements::ParseRows(TElement& parent, std::int32_t from, std::int32_t to,
                                std::int32_t depth, std::string_view section) {
  std::vector<std::int32_t> starts;
  for (std::int32_t i = from; i < to; ++i) {
    const TLineInfo& info = FInfo[std::size_t(i)];
    if (info.Depth == depth && info.FirstChar == '{' &&
        info.State.Mode == cal::TLexMode::lmStructure &&
        info.State.Comment == cal::TCommentKind::ckNone)
      starts.push_back(i);
  }
  parent.HeadEnd = starts.empty() ? to : starts.front();
  parent.TailBegin = to;
  for (std::size_t s = 0; s < starts.size(); ++s) {
    TElement row;
    row.Begin = starts[s];
    row.End = s + 1 < starts.size() ? starts[s + 1] : to;
    row.Key = RowKey(row.Begin, row.End, section);
    parent.Children.push_back(std::move(row));
  }
  MakeKeysUnique(parent.Children);
}

// A row's ID: its first column when that is a number or a GUID; a key's
// fields; a data item's or section's name or table; else its first line.
std::string TObjectElements::RowKey(std::int32_t begin, std::int32_t end,
                                    std::string_view section) const {
  const std::string_view line = LineText(begin);
  const std::vector<std::string_view> columns = cal::RowColumns(line);
  const std::string_view first = columns.front();
  if (IsNumber(first) || (!first.empty() && first.front() == '[')) return std::string(first);
  for (std::string_view column : columns)
    if (!column.empty() && column.front() == '[') return std::string(column);
  if (section == "KEYS" && columns.size() > 1) return std::string(columns[1]);
  if (first == "PROPERTIES") {
    const std::string_view text = Lines(begin, end);
    for (std::string_view name : {"DataItemVarName", "DataItemTable", "SectionType"}) {
      const std::string_view value = ValueOf(text, name);
      if (!value.empty()) return std::string(name) + "=" + std::string(value);
    }
  }
  return std::string(Trim(line));
}

// CODE: a VAR block of variables, then procedures (with the attribute lines
// above them) and the documentation trigger, as the outline finds them.
void TObjectElements::ParseCode(TElement& parent, std::int32_t from, std::int32_t to) {
  std::vector<std::pair<std::int32_t, std::string>> starts;
  // The outline reads procedures only after the CODE line.
  const std::int32_t codeLine = parent.Begin;
  const std::uint32_t base = FLines.Starts[std::size_t(codeLine)];
  const std::string_view body = Lines(codeLine, to);
  auto lineOf = [&](std::int32_t offset) {
    const auto it = std::upper_bound(FLines.Starts.begin(), FLines.Starts.end() - 1,
                                     base + std::uint32_t(offset));
    return std::int32_t(it - FLines.Starts.begin()) - 1;
  };
  for (const cal::TOutlineEntry& entry : cal::BuildOutline(body)) {
    if (entry.Kind == cal::TOutlineKind::okProcedure) {
      std::int32_t line = lineOf(entry.Start);
      if (line < from) continue;
      while (line - 1 >= from && FInfo[std::size_t(line - 1)].FirstChar == '[' &&
             FInfo[std::size_t(line - 1)].State.Comment == cal::TCommentKind::ckNone)
        --line;
      starts.emplace_back(line, entry.Name);
    } else if (entry.Kind == cal::TOutlineKind::okDocumentation) {
      starts.emplace_back(lineOf(entry.Start), "Documentation");
    }
  }
  std::int32_t first = starts.empty() ? to : starts.front().first;
  std::int32_t varLine = from;
  while (varLine < first && FInfo[std::size_t(varLine)].Blank) ++varLine;
  parent.HeadEnd = first;
  if (varLine < first && SameWord(Trim(LineText(varLine)), "VAR")) {
    TElement vars;
    vars.Kind = TElementKind::ekVariables;
    vars.Key = "VAR";
    vars.Begin = varLine;
    vars.End = first;
    vars.HeadEnd = varLine + 1;
    std::int32_t i = varLine + 1;
    for (; i < first && !FInfo[std::size_t(i)].Blank; ++i) {
      TElement variable;
      variable.Begin = i;
      variable.End = i + 1;
      const std::string_view text = Trim(LineText(i));
      const std::size_t stop = text.find_first_of("@:");
      variable.Key = std::string(Trim(text.substr(0, stop)));
      vars.Children.push_back(std::move(variable));
    }
    vars.TailBegin = i;
    MakeKeysUnique(vars.Children);
    parent.HeadEnd = varLine;
    parent.Children.push_back(std::move(vars));
  }
  for (std::size_t s = 0; s < starts.size(); ++s) {
    TElement element;
    element.Begin = starts[s].first;
    element.End = s + 1 < starts.size() ? starts[s + 1].first : to;
    element.Key = starts[s].second;
    if (element.End > element.Begin) parent.Children.push_back(std::move(element));
  }
  MakeKeysUnique(parent.Children);
}

}  // namespace merge
