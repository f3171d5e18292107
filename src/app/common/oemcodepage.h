// SPDX-License-Identifier: MIT
// The views show every byte of a file as one character of the OEM code page
// (850), so a byte offset and a character index stay the same number.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace oem {

QChar toChar(unsigned char byte);
QString toQString(std::string_view bytes);
inline QString toQString(const std::string& bytes) {
  return toQString(std::string_view(bytes));
}

// The bytes that show as text, or nothing when a character has no byte in
// the code page.
std::optional<std::string> fromQString(const QString& text);

}  // namespace oem
