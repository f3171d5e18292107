// Maps between byte offsets in an object's text and character positions in
// the text pane. The pane keeps a CR LF pair as one position; every other
// byte, a lone CR or LF included, is one position.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

class TLineBreakMap {
 public:
  void build(std::string_view bytes);
  void clear();

  std::int32_t toByte(std::int32_t position) const;
  // A byte offset that falls between the CR and the LF of a pair maps to the
  // pair's position, or with roundUp to the position after it.
  std::int32_t toPosition(std::int32_t byte, bool roundUp = false) const;

  std::int32_t byteCount() const { return FByteCount; }

 private:
  std::vector<std::int32_t> FPairs;  // byte offset of the CR of every CR LF
  std::int32_t FByteCount = 0;
};
