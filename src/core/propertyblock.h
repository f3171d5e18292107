// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>
#include <string_view>
struct TPropertyBlock {
  bool Found = false;
  std::size_t Begin = 0; // offset of the first byte of the line that holds "OBJECT-PROPERTIES"
  std::size_t End = 0;   // offset just past the line break of the line that closes the block's "}"
};
// Locates the OBJECT-PROPERTIES block that directly follows an object's header line and its
// opening "{" line (blank lines allowed between). Never looks further into the object.
TPropertyBlock FindPropertiesBlock(std::string_view objectText);
