// SPDX-License-Identifier: MIT
#include "propertyblock.h"

#include "lineend.h"

namespace {

// One line of the text: its content without the break, and where the next begins.
struct TLine {
  std::string_view Text;
  std::size_t Next = 0;
  bool Complete = false;  // a line break ends it, or the text ends with it
};

// A line ends at CR LF, a lone CR, a lone LF or a NUL, as the loader's lines do.
// A line that runs to the end of the text is complete only when the text is
// the whole object (the caller tells by final).
// Inlined: it runs for every line the walk reads, and a call cost as much as the line.
[[gnu::always_inline]] inline TLine LineAt(std::string_view text, std::size_t pos, bool final) {
  const std::size_t end = FindLineEnd(text.data(), pos, text.size());
  TLine line{text.substr(pos, end - pos), end, final || end < text.size()};
  if (end < text.size()) {
    if (text[end] == '\r') {
      ++line.Next;
      // A CR at the very end may still be half of a CR LF.
      if (line.Next == text.size() && !final) line.Complete = false;
      if (line.Next < text.size() && text[line.Next] == '\n') ++line.Next;
    } else {
      ++line.Next;
    }
  }
  return line;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 32);
    if (y >= 'a' && y <= 'z') y = char(y - 32);
    if (x != y) return false;
  }
  return true;
}

// One-byte lines are most of the block; a byte compare, not a call.
bool IsChar(std::string_view line, char c) {
  return line.size() == 1 && line[0] == c;
}

// A property line such as "Date=30-08-18;": a name, '=', the value and ';'.
// Where its '=' is, or npos for a line of another kind.
std::size_t PropertyLineEquals(std::string_view trimmed) {
  const std::size_t eq = trimmed.find('=');
  return eq != std::string_view::npos && eq > 0 && trimmed.back() == ';' ? eq
                                                                         : std::string_view::npos;
}

// Walks the lines that may make up the block: the header, blank lines, "{",
// blank lines, "OBJECT-PROPERTIES", "{", property or blank lines, "}".
// Stops at the first line that does not fit, so nothing further is read.
template <typename OnProperty>
TBlockScan Walk(std::string_view text, bool final, TPropertyBlock& block, OnProperty onProperty) {
  block = TPropertyBlock();
  enum { stHeader, stObjectBrace, stTitle, stBlockBrace, stBody } state = stHeader;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t lineStart = pos;
    const TLine line = LineAt(text, pos, final);
    if (!line.Complete) return TBlockScan::bsTruncated;
    pos = line.Next;
    if (state == stHeader) {
      state = stObjectBrace;
      continue;
    }
    const std::string_view trimmed = Trim(line.Text);
    // The next object's header ends this object, so a block never reaches into it.
    if (!line.Text.empty() && line.Text[0] == 'O' &&
        line.Text.substr(0, ObjectMarker.size()) == ObjectMarker)
      return TBlockScan::bsAbsent;
    if (trimmed.empty()) continue;
    switch (state) {
      case stObjectBrace:
        if (!IsChar(trimmed, '{')) return TBlockScan::bsAbsent;
        state = stTitle;
        break;
      case stTitle:
        if (trimmed != "OBJECT-PROPERTIES") return TBlockScan::bsAbsent;
        block.Begin = lineStart;
        state = stBlockBrace;
        break;
      case stBlockBrace:
        if (!IsChar(trimmed, '{')) return TBlockScan::bsAbsent;
        state = stBody;
        break;
      case stBody: {
        if (IsChar(trimmed, '}')) {
          block.Found = true;
          block.End = pos;
          return TBlockScan::bsFound;
        }
        const std::size_t eq = PropertyLineEquals(trimmed);
        if (eq == std::string_view::npos) return TBlockScan::bsAbsent;
        onProperty(trimmed, eq);
        break;
      }
      default: break;
    }
  }
  return final ? TBlockScan::bsAbsent : TBlockScan::bsTruncated;
}

}  // namespace

TBlockScan ScanPropertiesBlock(std::string_view text, bool final, TPropertyBlock& block) {
  return Walk(text, final, block, [](std::string_view, std::size_t) {});
}

TPropertyBlock FindPropertiesBlock(std::string_view objectText) {
  TPropertyBlock block;
  if (ScanPropertiesBlock(objectText, true, block) != TBlockScan::bsFound) return TPropertyBlock();
  return block;
}

TBlockScan ParseObjectProperties(std::string_view text, bool final, TPropertyValues& values) {
  TPropertyValues found;
  TPropertyBlock block;
  const TBlockScan result = Walk(text, final, block, [&](std::string_view line, std::size_t eq) {
    const std::string_view name = Trim(line.substr(0, eq));
    // The value runs up to the closing ';', byte for byte.
    const std::string_view value = line.substr(eq + 1, line.size() - eq - 2);
    if (SameIgnoringCase(name, "Date"))
      found.Date = value;
    else if (SameIgnoringCase(name, "Time"))
      found.Time = value;
    else if (SameIgnoringCase(name, "Version List"))
      found.VersionList = value;
    else if (SameIgnoringCase(name, "Modified"))
      // Newer exports write true and false.
      found.Modified =
          SameIgnoringCase(Trim(value), "Yes") || SameIgnoringCase(Trim(value), "true");
  });
  values = result == TBlockScan::bsFound ? found : TPropertyValues();
  return result;
}
