// SPDX-License-Identifier: MIT
#include "codepage.h"

#include <algorithm>
#include <cstdio>

namespace vexa {

namespace {

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 character at the start of text
// (overlong forms and surrogates are not), or 0; ch gets its code point.
std::size_t DecodeUtf8(std::string_view text, char32_t& ch) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = at(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (length == 0 || text.size() < length || at(1) < low || at(1) > high) return 0;
  ch = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(at(i))) return 0;
    ch = (ch << 6) | (at(i) & 0x3F);
  }
  return length;
}

}  // namespace

int Cp850Byte(char32_t ch) {
  if (ch < 0x80) return int(ch);
  const auto found = std::find(Cp850HighHalf.begin(), Cp850HighHalf.end(), ch);
  return found == Cp850HighHalf.end() ? -1 : 0x80 + int(found - Cp850HighHalf.begin());
}

std::string Cp850FromUtf8(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t ch = 0;
    const std::size_t length =
        static_cast<unsigned char>(text[i]) < 0x80 ? 0 : DecodeUtf8(text.substr(i), ch);
    if (length == 0) {
      bytes += text[i++];
      continue;
    }
    const int byte = Cp850Byte(ch);
    if (byte < 0) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(ch));
      throw CodePageError("\"" + std::string(text.substr(i, length)) + "\" (" + code +
                          ") is not a character of code page 850");
    }
    bytes += static_cast<char>(byte);
    i += length;
  }
  return bytes;
}

}  // namespace vexa
