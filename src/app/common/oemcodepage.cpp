// SPDX-License-Identifier: MIT
#include "oemcodepage.h"

#include <array>

#include "codepage.h"

namespace oem {
namespace {

constexpr std::array<char16_t, 256> BuildTable() {
  std::array<char16_t, 256> table{};
  for (unsigned i = 0; i < 128; ++i) table[i] = char16_t(i);
  for (unsigned i = 0; i < 128; ++i) table[128 + i] = vexa::Cp850HighHalf[i];
  return table;
}

constexpr std::array<char16_t, 256> Table = BuildTable();

}  // namespace

QChar toChar(unsigned char byte) {
  return QChar(Table[byte]);
}

QString toQString(std::string_view bytes) {
  QString result(qsizetype(bytes.size()), Qt::Uninitialized);
  auto* out = reinterpret_cast<char16_t*>(result.data());
  for (unsigned char c : bytes) *out++ = Table[c];
  return result;
}

std::optional<std::string> fromQString(const QString& text) {
  std::string result;
  result.reserve(std::size_t(text.size()));
  for (QChar ch : text) {
    const int byte = vexa::Cp850Byte(ch.unicode());
    if (byte < 0) return std::nullopt;
    result += char(byte);
  }
  return result;
}

}  // namespace oem
