// SPDX-License-Identifier: MIT
#include "propertyblock.h"

namespace {

struct TLine {
  std::string_view Text;  // without its line break
  std::size_t Begin;
  std::size_t End;  // past the line break
};

// The line starting at pos; false at the end of the text.
bool NextLine(std::string_view text, std::size_t pos, TLine& line) {
  if (pos >= text.size()) return false;
  std::size_t end = pos;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  line.Text = text.substr(pos, end - pos);
  line.Begin = pos;
  if (end < text.size() && text[end] == '\r') ++end;
  if (end < text.size() && text[end] == '\n') ++end;
  line.End = end;
  return true;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The next line that is not blank.
bool NextFilledLine(std::string_view text, std::size_t pos, TLine& line) {
  while (NextLine(text, pos, line)) {
    if (!Trimmed(line.Text).empty()) return true;
    pos = line.End;
  }
  return false;
}

}  // namespace

TPropertyBlock FindPropertiesBlock(std::string_view objectText) {
  TPropertyBlock block;
  TLine line;
  if (!NextLine(objectText, 0, line)) return block;
  if (!NextFilledLine(objectText, line.End, line) || Trimmed(line.Text) != "{") return block;
  if (!NextFilledLine(objectText, line.End, line) || Trimmed(line.Text) != "OBJECT-PROPERTIES")
    return block;
  const std::size_t begin = line.Begin;
  if (!NextFilledLine(objectText, line.End, line) || Trimmed(line.Text) != "{") return block;
  while (NextLine(objectText, line.End, line)) {
    if (Trimmed(line.Text) == "}") {
      block.Found = true;
      block.Begin = begin;
      block.End = line.End;
      return block;
    }
  }
  return block;
}
