// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>
#include <string_view>

// The marker that starts every header line.
inline constexpr std::string_view ObjectMarker = "OBJECT ";

struct TPropertyBlock {
  bool Found = false;
  std::size_t Begin = 0;  // offset of the first byte of the line that holds "OBJECT-PROPERTIES"
  std::size_t End = 0;    // offset just past the line break of the line that closes the block's "}"
};
// Locates the OBJECT-PROPERTIES block that directly follows an object's header line and its
// opening "{" line (blank lines allowed between). Never looks further into the object.
TPropertyBlock FindPropertiesBlock(std::string_view objectText);

// The four values an object's block gives; absent ones stay empty. Views into
// the text that was parsed.
struct TPropertyValues {
  std::string_view Date;
  std::string_view Time;
  std::string_view VersionList;
  bool Modified = false;
};

enum class TBlockScan {
  bsFound,     // the block is complete within the text
  bsAbsent,    // the text shows that the object has no such block
  bsTruncated  // the text ends before the block could be told apart
};

// As FindPropertiesBlock over text that starts at an object's header line and
// may run on past the object. final says the text ends where the file does;
// otherwise a block cut off by the text's end gives bsTruncated, so that a
// caller holding only the start of an object can read more.
TBlockScan ScanPropertiesBlock(std::string_view text, bool final, TPropertyBlock& block);

// Reads Date, Time, Modified and Version List from the block, as
// ScanPropertiesBlock finds it. The values are empty unless it gives bsFound.
TBlockScan ParseObjectProperties(std::string_view text, bool final, TPropertyValues& values);
