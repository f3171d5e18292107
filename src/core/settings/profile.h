// SPDX-License-Identifier: MIT
// An INI file read and written one value at a time, the way the Windows
// private-profile service does it: nothing is cached, every read consults the
// file and every write reaches the file before it returns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "errors.h"

// The start of the message a failed write raises; the file's full path follows.
inline constexpr std::string_view ProfileWriteErrorText = "Unable to write to ";

// File layout understood on reading and kept on writing:
// - "[Name]" heads a section (blanks around the name are ignored); lines
//   before the first header belong to no section.
// - "Key=Value" is an entry of the section above it; blanks around the key
//   and around the value are ignored.
// - Lines starting with ';' are comments; they, blank lines and any other
//   line are never entries and are kept as they are.
// Section and key names match without regard to ASCII case; when a section
// or key occurs twice, the first one counts. Lines end in LF or CR LF.
class TIniProfile {
 public:
  // Longest string a read returns, as the Windows service does with a
  // 2048-byte buffer.
  static constexpr std::size_t MaxValueLength = 2047;

  // Only names the file (made absolute now, so later changes of the current
  // directory do not matter); nothing is opened until a value is read or written.
  explicit TIniProfile(const std::string& fileName);
  virtual ~TIniProfile() = default;

  // The absolute path, as the error message shows it.
  const std::string& FileName() const { return FFileName; }

  // The stored value with blanks around it and then one pair of enclosing
  // matching quotes (" or ') removed, cut to MaxValueLength characters. A key
  // present with an empty value gives "". A missing or unreadable file, section
  // or key gives defaultValue (also cut). Never throws for file trouble.
  virtual std::string ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const;

  // Stores value unchanged as "Key=value". An existing entry's line is
  // replaced where it stands (keeping the key's spelling from the file); a new
  // key goes after the last entry of its section; a new section "[Section]"
  // goes at the end of the file. Every other byte of the file stays as it was.
  // New lines take the line break of the file's first line, or CR LF in a new
  // file. The file is replaced as a whole, so a failure leaves the old file.
  // Throws FileError "Unable to write to <full path>" when the file cannot be
  // read or written, is marked read-only, or when the value, key or section
  // cannot be stored as one line of this layout (line breaks, NUL, a key with
  // '=' or a section with ']').
  virtual void WriteString(std::string_view section, std::string_view key, std::string_view value);

  // The value read as a 32-bit integer: decimal with an optional sign, or,
  // when it begins with "0x"/"0X" and is longer than two characters,
  // hexadecimal. A missing or empty value, text that is not such an integer
  // and a number outside the int range give defaultValue.
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  // Writes signed decimal text.
  void WriteInteger(std::string_view section, std::string_view key, int value);

  // A flag: the value read as an integer (default 0, or 1 when defaultValue is
  // true) counts as set when its low eight bits are not all zero, so "2" is
  // set and "256" is not.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue = false) const;
  // Writes 1 or 0.
  void WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  [[noreturn]] void WriteFailed() const;

  std::string FFileName;
};
