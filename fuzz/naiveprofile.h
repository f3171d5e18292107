// SPDX-License-Identifier: MIT
// A slow, obvious reading of the settings file layout, to hold the profile
// service to: sections, entries, the first one counting, blanks and quotes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace naive {

inline bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

inline std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

inline bool SameText(std::string_view a, std::string_view b) {
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

struct TIniLine {
  enum { Other, Section, Entry } Kind = Other;
  std::string_view Name;   // blanks around it removed
  std::string_view Value;  // blanks around it removed, still quoted
};

// Lines end in LF; a UTF-8 byte-order mark in front of the first is no part of it.
inline std::vector<TIniLine> IniLines(std::string_view content) {
  std::vector<TIniLine> lines;
  bool first = true;
  while (!content.empty()) {
    const std::size_t end = content.find('\n');
    std::string_view text = content.substr(0, end);
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    if (first && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    first = false;
    text = Trim(text);
    TIniLine line;
    if (!text.empty() && text[0] == '[') {
      const std::size_t close = text.find(']');
      if (close != std::string_view::npos)
        line = {TIniLine::Section, Trim(text.substr(1, close - 1)), {}};
    } else if (!text.empty() && text[0] != ';' && text.find('=') != std::string_view::npos) {
      const std::size_t equals = text.find('=');
      line = {TIniLine::Entry, Trim(text.substr(0, equals)), Trim(text.substr(equals + 1))};
    }
    lines.push_back(line);
  }
  return lines;
}

// Every section and key named in content, in file order, duplicates included.
inline std::vector<std::pair<std::string, std::string>> IniKeys(std::string_view content) {
  std::vector<std::pair<std::string, std::string>> keys;
  std::string_view section;
  bool inSection = false;
  for (const TIniLine& line : IniLines(content)) {
    if (line.Kind == TIniLine::Section) {
      section = line.Name;
      inSection = true;
      keys.emplace_back(section, "");
    } else if (line.Kind == TIniLine::Entry && inSection) {
      keys.emplace_back(section, line.Name);
    }
  }
  return keys;
}

// The stored value of the first such key in the first section of that name.
inline std::optional<std::string> IniValue(std::string_view content, std::string_view section,
                                           std::string_view key) {
  bool inFirst = false;
  for (const TIniLine& line : IniLines(content)) {
    if (line.Kind == TIniLine::Section) {
      if (inFirst) return std::nullopt;
      inFirst = SameText(line.Name, section);
    } else if (line.Kind == TIniLine::Entry && inFirst && SameText(line.Name, key)) {
      return std::string(line.Value);
    }
  }
  return std::nullopt;
}

// What a read gives for a stored value: one pair of enclosing matching
// quotes removed, then cut to 2047 characters.
inline std::string ReadValue(std::string_view stored) {
  if (stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') &&
      stored.back() == stored.front())
    stored = stored.substr(1, stored.size() - 2);
  return std::string(stored.substr(0, 2047));
}

inline std::string ReadString(std::string_view content, std::string_view section,
                              std::string_view key, std::string_view defaultValue) {
  const std::optional<std::string> stored = IniValue(content, section, key);
  return stored ? ReadValue(*stored) : std::string(defaultValue.substr(0, 2047));
}

// Decimal with an optional sign, or 0x/0X and hexadecimal digits, within the int range.
inline std::optional<int> Integer(std::string_view text) {
  bool negative = false;
  int base = 10;
  if (text.size() > 2 && (text.starts_with("0x") || text.starts_with("0X"))) {
    base = 16;
    text.remove_prefix(2);
  } else if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    const bool digit = (c >= '0' && c <= '9') ||
                       (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    if (!digit) return std::nullopt;
  }
  while (text.size() > 1 && text[0] == '0') text.remove_prefix(1);
  if (text.size() > 10) return std::nullopt;
  const long long value = std::stoll(std::string(text), nullptr, base);
  if (value > (negative ? 2147483648ll : 2147483647ll)) return std::nullopt;
  return static_cast<int>(negative ? -value : value);
}

inline int ReadInteger(std::string_view content, std::string_view section, std::string_view key,
                       int defaultValue) {
  return Integer(ReadString(content, section, key, "")).value_or(defaultValue);
}

inline bool ReadBool(std::string_view content, std::string_view section, std::string_view key) {
  return (ReadInteger(content, section, key, 0) & 0xFF) != 0;
}

}  // namespace naive
