// SPDX-License-Identifier: MIT
// Slow, obvious versions of the object text rules that the fuzz targets hold
// the core to: header numbers, header fields, lines, progress and search.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vexafile.h"

namespace naive {

inline bool IsDecimal(char c) {
  return c >= '0' && c <= '9';
}

inline bool IsHex(char c) {
  return IsDecimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Header number text: an optional sign, then decimal digits within the
// signed 32-bit range, or one of $ x X 0x 0X and hexadecimal digits taken as
// a 32-bit pattern that a minus sign negates.
inline std::optional<std::int32_t> HeaderNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  bool hex = false;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    hex = true;
    text.remove_prefix(2);
  } else if (!text.empty() && (text[0] == '$' || text[0] == 'x' || text[0] == 'X')) {
    hex = true;
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (char c : text)
    if (!(hex ? IsHex(c) : IsDecimal(c))) return std::nullopt;
  while (text.size() > 1 && text[0] == '0') text.remove_prefix(1);
  if (text.size() > (hex ? 8u : 10u)) return std::nullopt;
  const std::uint64_t value = std::stoull(std::string(text), nullptr, hex ? 16 : 10);
  if (hex) {
    const auto pattern = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>(negative ? 0u - pattern : pattern);
  }
  if (value > (negative ? 2147483648ull : 2147483647ull)) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value)
                                            : static_cast<std::int64_t>(value));
}

struct THeader {
  TObjectType Type = TObjectType::otUnknown;
  std::string NumberText;
  std::optional<std::int32_t> ID;  // empty: the number text is no integer
  std::string Name;
};

// Type by the first character; the number between the first space and the
// next one (or the end); the name after that, cut to 30 characters.
inline THeader Header(std::string_view header) {
  static constexpr std::string_view letters = "TFRDCXMPQ";
  THeader result;
  if (!header.empty()) {
    const std::size_t at = letters.find(header[0]);
    if (at != std::string_view::npos) result.Type = static_cast<TObjectType>(at + 1);
  }
  std::size_t i = 0;
  while (i < header.size() && header[i] != ' ') ++i;
  if (i < header.size()) {
    std::size_t j = i + 1;
    while (j < header.size() && header[j] != ' ') ++j;
    result.NumberText = header.substr(i + 1, j - i - 1);
    if (j < header.size()) result.Name = header.substr(j + 1, 30);
  }
  result.ID = HeaderNumber(result.NumberText);
  return result;
}

struct TLine {
  std::size_t Start = 0;
  std::size_t End = 0;  // the line break's position
};

// CR LF, a lone CR, a lone LF and a NUL each end a line; a UTF-8 byte-order
// mark in front of the first line is no part of it.
inline std::vector<TLine> Lines(std::string_view text) {
  std::vector<TLine> lines;
  std::size_t pos = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (pos < text.size()) {
    TLine line{pos, pos};
    while (line.End < text.size() && text[line.End] != '\r' && text[line.End] != '\n' &&
           text[line.End] != '\0')
      ++line.End;
    lines.push_back(line);
    pos = line.End;
    if (pos < text.size() && text[pos] == '\0') {
      ++pos;
    } else {
      if (pos < text.size() && text[pos] == '\r') ++pos;
      if (pos < text.size() && text[pos] == '\n') ++pos;
    }
  }
  return lines;
}

struct TEntry {
  std::int32_t Start = 0;
  std::int32_t Length = 0;
  THeader Header;
};

struct TScan {
  std::vector<TEntry> Entries;
  std::vector<std::uint8_t> Progress;  // the pkProgress percentages
  bool Failed = false;                 // stopped at a header with a bad number
  std::string BadNumber;
};

inline TScan Scan(std::string_view text) {
  TScan scan;
  std::uint8_t last = 0;
  for (const TLine& line : Lines(text)) {
    const std::string_view bytes = text.substr(line.Start, line.End - line.Start);
    if (bytes.starts_with(ObjectMarker)) {
      if (!scan.Entries.empty())
        scan.Entries.back().Length = std::int32_t(line.Start) - scan.Entries.back().Start;
      THeader header = Header(bytes.substr(ObjectMarker.size()));
      if (!header.ID) {
        scan.Failed = true;
        scan.BadNumber = header.NumberText;
        return scan;
      }
      scan.Entries.push_back({std::int32_t(line.Start), 0, header});
      continue;
    }
    const double percent = std::nearbyint(double(line.End) / double(text.size()) * 100.0);
    if (std::uint8_t(percent) != last) {
      last = std::uint8_t(percent);
      scan.Progress.push_back(last);
    }
  }
  if (!scan.Entries.empty())
    scan.Entries.back().Length = std::int32_t(text.size()) - scan.Entries.back().Start;
  return scan;
}

inline char Upper(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// First place at or after from where needle stands in hay, or npos.
inline std::size_t Find(std::string_view hay, std::string_view needle, std::size_t from,
                        bool matchCase) {
  if (needle.empty()) return std::string_view::npos;
  for (std::size_t at = from; at + needle.size() <= hay.size(); ++at) {
    std::size_t i = 0;
    while (i < needle.size() &&
           (matchCase ? hay[at + i] == needle[i] : Upper(hay[at + i]) == Upper(needle[i])))
      ++i;
    if (i == needle.size()) return at;
  }
  return std::string_view::npos;
}

}  // namespace naive
