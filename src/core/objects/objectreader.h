// SPDX-License-Identifier: MIT
// Reads the text of objects of one or many files in the order asked for. An
// object at or just after the bytes held shares a large read with those that
// follow it, so a pass in file order needs few reads; one asked for
// elsewhere is read alone, so that an order that jumps about reads no byte
// twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "vexafile.h"

class TObjectReader {
 public:
  // The object's bytes, valid until the next call.
  std::string_view Text(const TObjectTextObject& object);

 private:
  static constexpr std::size_t Piece = 512 << 10;
  // Which opening the bytes held are from; an address may be reused.
  std::uint64_t FOpening = 0;
  std::unique_ptr<char[]> FBuffer;
  std::size_t FCapacity = 0;
  std::int64_t FStart = 0;
  std::int64_t FEnd = 0;
};
