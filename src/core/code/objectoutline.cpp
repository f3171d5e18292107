// SPDX-License-Identifier: MIT
#include "objectoutline.h"

#include <algorithm>

#include "callexer.h"

namespace cal {

namespace {

bool SameWord(std::string_view word, std::string_view upper) {
  return word.size() == upper.size() &&
         std::equal(word.begin(), word.end(), upper.begin(),
                    [](char a, char b) { return (a >= 'a' && a <= 'z' ? char(a - 32) : a) == b; });
}

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string_view TokenText(std::string_view text, const TToken& token) {
  return text.substr(std::size_t(token.Start), std::size_t(token.Length));
}

}  // namespace

std::vector<std::string_view> RowColumns(std::string_view line) {
  std::vector<std::string_view> columns;
  std::size_t from = line.find('{') + 1;
  while (columns.size() < 4) {
    const std::size_t end = line.find(';', from);
    columns.push_back(Trim(line.substr(from, end == std::string_view::npos ? end : end - from)));
    if (end == std::string_view::npos) break;
    from = end + 1;
  }
  return columns;
}

namespace {

bool IsNumber(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Who owns the triggers that follow a row: a field by its name, anything
// else by its kind and number until a Name or SourceExpr says more.
std::string RowOwner(std::string_view section, std::string_view line) {
  const std::vector<std::string_view> columns = RowColumns(line);
  // Fields, and XMLport elements behind their GUID, carry their name in the third column.
  if (section == "FIELDS" || (!columns.empty() && columns[0].substr(0, 1) == "["))
    return columns.size() > 2 ? std::string(columns[2]) : std::string();
  std::string_view kind;
  for (std::size_t i = 1; i < columns.size() && kind.empty(); ++i)
    if (!IsNumber(columns[i])) kind = columns[i];
  std::string owner(kind);
  if (!columns.empty() && !columns[0].empty())
    owner += (owner.empty() ? "" : " ") + std::string(columns[0]);
  return owner;
}

// A property value up to its ; or the row's closing brace.
std::string PropertyValue(std::string_view line, std::size_t from) {
  std::string_view value = line.substr(std::min(from, line.size()));
  value = value.substr(0, std::min(value.find(';'), value.size()));
  value = Trim(value);
  if (value.size() >= 1 && value.back() == '}') value = Trim(value.substr(0, value.size() - 1));
  return std::string(value);
}

}  // namespace

std::vector<TOutlineEntry> BuildOutline(std::string_view text) {
  std::vector<TOutlineEntry> outline;
  std::string section;
  std::string owner;
  bool ownerNamed = false;  // by a Name property, which no SourceExpr overrides
  bool inCodeSection = false;
  bool bodyPending = false;  // a PROCEDURE waits for its BEGIN
  int depth = 0;
  std::string attributes;
  ForEachLexedLine(text, [&](int index, std::int32_t lineStart, std::string_view line,
                             const std::vector<TToken>& tokens, const TLexState& state) {
    const int number = index + 1;
    const std::string_view trimmed = Trim(line);
    if (state.Mode == TLexMode::lmStructure && state.Comment == TCommentKind::ckNone &&
        !trimmed.empty() && trimmed.front() == '{' && !inCodeSection) {
      owner = RowOwner(section, line);
      ownerNamed = false;
      if (section == "FIELDS" && !owner.empty()) {
        const std::size_t at = line.find(owner, line.find('{'));
        outline.push_back({TOutlineKind::okField,
                           owner,
                           {},
                           false,
                           {},
                           lineStart + std::int32_t(at == std::string_view::npos ? 0 : at),
                           number});
      }
    }
    if (state.Mode == TLexMode::lmSectionCode && state.Comment == TCommentKind::ckNone &&
        !trimmed.empty() && trimmed.front() == '[') {
      attributes += (attributes.empty() ? "" : " ") + std::string(trimmed);
      return;
    }
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const TToken& token = tokens[i];
      const std::string_view word = TokenText(text, token);
      if (token.Kind == TTokenKind::tkHeader) {
        section.clear();
        owner.clear();
        inCodeSection = false;
      } else if (token.Kind == TTokenKind::tkSection) {
        section = std::string(word);
        owner.clear();
        inCodeSection = word == "CODE";
        depth = 0;
        bodyPending = false;
        attributes.clear();
        outline.push_back({TOutlineKind::okSection, section, {}, false, {}, token.Start, number});
      } else if (token.Kind == TTokenKind::tkProperty) {
        const std::size_t valueFrom = std::size_t(token.Start - lineStart + token.Length + 1);
        if (SameWord(word, "NAME") || SameWord(word, "SOURCEEXPR")) {
          const std::string value = PropertyValue(line, valueFrom);
          if (!value.empty() && !ownerNamed) {
            owner = value;
            ownerNamed = SameWord(word, "NAME");
          }
        }
        const bool code = i + 1 < tokens.size() && tokens[i + 1].Kind == TTokenKind::tkKeyword;
        if (code && IsTriggerName(word))
          outline.push_back(
              {TOutlineKind::okTrigger, std::string(word), owner, false, {}, token.Start, number});
      } else if (token.Kind == TTokenKind::tkKeyword && inCodeSection) {
        if (SameWord(word, "PROCEDURE")) {
          const bool local = i > 0 && tokens[i - 1].Kind == TTokenKind::tkKeyword &&
                             SameWord(TokenText(text, tokens[i - 1]), "LOCAL");
          std::string name;
          std::int32_t at = token.Start;
          if (i + 1 < tokens.size() && tokens[i + 1].Kind != TTokenKind::tkComment) {
            name = std::string(TokenText(text, tokens[i + 1]));
            at = tokens[i + 1].Start;
          }
          outline.push_back({TOutlineKind::okProcedure, name, {}, local, attributes, at, number});
          attributes.clear();
          bodyPending = true;
        } else if (SameWord(word, "BEGIN") || SameWord(word, "CASE")) {
          if (depth == 0 && SameWord(word, "BEGIN")) {
            if (!bodyPending)
              outline.push_back({TOutlineKind::okDocumentation,
                                 "Documentation",
                                 {},
                                 false,
                                 {},
                                 token.Start,
                                 number});
            bodyPending = false;
          }
          ++depth;
        } else if (SameWord(word, "END")) {
          depth = std::max(0, depth - 1);
        }
      }
    }
    if (!trimmed.empty() && trimmed.front() != '[' && state.Mode == TLexMode::lmSectionCode &&
        (tokens.empty() || tokens.front().Kind != TTokenKind::tkComment))
      attributes.clear();
  });
  return outline;
}

std::string OutlineKindName(const TOutlineEntry& entry) {
  switch (entry.Kind) {
    case TOutlineKind::okSection: return "section";
    case TOutlineKind::okField: return "field";
    case TOutlineKind::okTrigger: return "trigger";
    case TOutlineKind::okProcedure: return entry.Local ? "local procedure" : "procedure";
    case TOutlineKind::okDocumentation: return "documentation";
  }
  return {};
}

std::string OutlineCaption(const TOutlineEntry& entry) {
  switch (entry.Kind) {
    case TOutlineKind::okSection: return entry.Name;
    case TOutlineKind::okField: return "  " + entry.Name;
    case TOutlineKind::okTrigger:
      return entry.Owner.empty() ? "  " + entry.Name : "    " + entry.Owner + " - " + entry.Name;
    case TOutlineKind::okProcedure:
      return std::string("  ") + (entry.Local ? "LOCAL PROCEDURE " : "PROCEDURE ") + entry.Name +
             (entry.Attributes.empty() ? "" : "  " + entry.Attributes);
    case TOutlineKind::okDocumentation: return "  " + entry.Name;
  }
  return entry.Name;
}

int OutlineEntryAt(const std::vector<TOutlineEntry>& outline, std::int32_t offset) {
  const auto it = std::upper_bound(
      outline.begin(), outline.end(), offset,
      [](std::int32_t at, const TOutlineEntry& entry) { return at < entry.Start; });
  return int(it - outline.begin()) - 1;
}

}  // namespace cal
