// SPDX-License-Identifier: MIT
// How the text pane measures and shows bytes; shared by its layout, painting
// and input units.
#pragma once

#include <QChar>
#include <QtGlobal>
#include <cstdint>

#include "oemcodepage.h"

namespace pane {

inline constexpr int Margin = 3;
inline constexpr int TabColumns = 8;
inline constexpr int DragScrollMs = 50;
inline constexpr int Unit = 64;  // widths are kept in 64ths of a pixel

inline qreal pixels(std::int64_t width) {
  return qreal(width) / Unit;
}

inline bool isBreak(char c) {
  return c == '\r' || c == '\n';
}

inline QChar shownChar(unsigned char byte) {
  // Control bytes would draw as nothing; their pictures keep one visible
  // character per byte.
  if (byte < 0x20) return QChar(char16_t(0x2400 + byte));
  if (byte == 0x7F) return QChar(char16_t(0x2421));
  return oem::toChar(byte);
}

inline bool isSpace(unsigned char byte) {
  return byte == ' ' || byte == '\t';
}

enum class TCharClass { Space, Word, Other };

inline TCharClass classOf(unsigned char byte) {
  if (isSpace(byte)) return TCharClass::Space;
  if (byte == '_' || oem::toChar(byte).isLetterOrNumber()) return TCharClass::Word;
  return TCharClass::Other;
}

}  // namespace pane
