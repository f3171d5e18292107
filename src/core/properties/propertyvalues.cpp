// SPDX-License-Identifier: MIT
#include "propertyvalues.h"

#include <string>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Without blanks around it and one pair of brackets, with the blanks inside.
std::string_view Unwrapped(std::string_view text) {
  text = Trimmed(text);
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
    text = Trimmed(text.substr(1, text.size() - 2));
  return text;
}

// A run of digits at pos, at most maxDigits long; nothing without one.
std::optional<int> Number(std::string_view text, std::size_t& pos, int minDigits, int maxDigits) {
  int value = 0;
  int digits = 0;
  while (pos < text.size() && IsDigit(text[pos]) && digits < maxDigits) {
    value = value * 10 + (text[pos++] - '0');
    ++digits;
  }
  if (digits < minDigits || (pos < text.size() && IsDigit(text[pos]))) return std::nullopt;
  return value;
}

// ".5" or ".125": the fraction of a second in milliseconds.
std::optional<int> Milliseconds(std::string_view text, std::size_t& pos) {
  if (pos >= text.size() || text[pos] != '.') return 0;
  ++pos;
  int value = 0;
  int digits = 0;
  while (pos < text.size() && IsDigit(text[pos])) {
    if (digits < 3) value = value * 10 + (text[pos] - '0');
    ++digits;
    ++pos;
  }
  if (digits == 0) return std::nullopt;
  for (; digits < 3; ++digits) value *= 10;
  return value;
}

std::optional<std::int32_t> Clock(int hours, int minutes, int seconds, int millis) {
  if (hours > 23 || minutes > 59 || seconds > 59) return std::nullopt;
  return ((hours * 60 + minutes) * 60 + seconds) * 1000 + millis;
}

// 120000T, 070000.5T.
std::optional<std::int32_t> TimeLiteral(std::string_view text) {
  if (text.size() < 7 || (text.back() != 'T' && text.back() != 't')) return std::nullopt;
  text.remove_suffix(1);
  int fields[3] = {};
  for (std::size_t i = 0; i < 6; ++i) {
    if (!IsDigit(text[i])) return std::nullopt;
    fields[i / 2] = fields[i / 2] * 10 + (text[i] - '0');
  }
  std::size_t pos = 6;
  const auto millis = Milliseconds(text, pos);
  if (!millis || pos != text.size()) return std::nullopt;
  return Clock(fields[0], fields[1], fields[2], *millis);
}

}  // namespace

std::optional<std::int32_t> DateValue(std::string_view text, TDateOrder order) {
  text = Unwrapped(text);
  if (text.size() == 9 && (text.back() == 'D' || text.back() == 'd')) {
    const std::string_view digits = text.substr(0, 8);
    for (const char c : digits)
      if (!IsDigit(c)) return std::nullopt;
    const std::string iso = std::string(digits.substr(0, 4)) + "-" +
                            std::string(digits.substr(4, 2)) + "-" +
                            std::string(digits.substr(6, 2));
    return DateNumber(iso, order);
  }
  return DateNumber(text, order);
}

std::optional<std::int32_t> TimeValue(std::string_view text) {
  text = Unwrapped(text);
  if (const auto literal = TimeLiteral(text)) return literal;
  std::size_t pos = 0;
  auto hours = Number(text, pos, 1, 2);
  if (!hours || pos >= text.size() || text[pos] != ':') return std::nullopt;
  ++pos;
  const auto minutes = Number(text, pos, 2, 2);
  if (!minutes) return std::nullopt;
  std::optional<int> seconds = 0;
  std::optional<int> millis = 0;
  if (pos < text.size() && text[pos] == ':') {
    ++pos;
    seconds = Number(text, pos, 2, 2);
    if (!seconds) return std::nullopt;
    millis = Milliseconds(text, pos);
    if (!millis) return std::nullopt;
  }
  const std::string_view rest = Trimmed(text.substr(pos));
  if (!rest.empty()) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
    if (rest.size() != 2 || upper(rest[1]) != 'M') return std::nullopt;
    const char half = upper(rest[0]);
    if ((half != 'A' && half != 'P') || *hours < 1 || *hours > 12) return std::nullopt;
    *hours = *hours % 12 + (half == 'P' ? 12 : 0);
  }
  return Clock(*hours, *minutes, *seconds, *millis);
}
