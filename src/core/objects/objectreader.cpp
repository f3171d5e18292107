// SPDX-License-Identifier: MIT
#include "objectreader.h"

#include <algorithm>

std::string_view TObjectReader::Text(const TObjectTextObject& object) {
  const TObjectTextFile& owner = object.Owner();
  const auto length = std::size_t(std::max<std::int32_t>(object.Length(), 0));
  const vexa::ExclusiveFile* stream = owner.Stream();
  if (!stream) {
    object.GetText();  // raises the error for an object whose file is gone
    return {};
  }
  if (stream->Opening() != FOpening) {
    FOpening = stream->Opening();
    FStart = FEnd = 0;
  }
  const std::int64_t from = object.StartOffset();
  const std::int64_t to = from + std::int64_t(length);
  if (from < FStart || to > FEnd) {
    const bool onward = from >= FStart && from <= FEnd + std::int64_t(Piece);
    const std::int64_t end =
        onward ? std::max(to, std::min(from + std::int64_t(Piece), stream->Size())) : to;
    const auto size = std::size_t(end - from);
    if (size > FCapacity) {
      FBuffer = std::make_unique_for_overwrite<char[]>(size);
      FCapacity = size;
    }
    // Forget the old bytes first, in case the read fails.
    FStart = FEnd = 0;
    stream->ReadAt(from, FBuffer.get(), size);
    FStart = from;
    FEnd = end;
  }
  return {FBuffer.get() + (from - FStart), length};
}
