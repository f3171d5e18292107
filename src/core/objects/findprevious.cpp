// SPDX-License-Identifier: MIT
#include "findprevious.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "textsearch.h"
#include "vexafile.h"

namespace {

// Objects are read backwards in large pieces, so that a search through many
// small objects needs few reads; an object larger than a piece is read whole.
constexpr std::int64_t PieceSize = std::int64_t(1) << 20;

class TBackwardReader {
 public:
  explicit TBackwardReader(const vexa::ExclusiveFile& stream) : FStream(stream) {}

  // The bytes [from, to) of the file; valid until the next call.
  std::string_view At(std::int64_t from, std::int64_t to) {
    if (from < FStart || to > FEnd) {
      const std::int64_t start = std::min(from, std::max<std::int64_t>(0, to - PieceSize));
      FBytes.resize(std::size_t(to - start));
      FStart = FEnd = 0;
      FStream.ReadAt(start, FBytes.data(), FBytes.size());
      FStart = start;
      FEnd = to;
    }
    return std::string_view(FBytes).substr(std::size_t(from - FStart), std::size_t(to - from));
  }

 private:
  const vexa::ExclusiveFile& FStream;
  std::string FBytes;
  std::int64_t FStart = 0;
  std::int64_t FEnd = 0;
};

}  // namespace

bool FindPreviousText(const TObjectTextFile& file, std::int32_t& ObjIndex, std::int32_t& Pos,
                      const std::string& text, bool MatchCase) {
  const std::int32_t count = file.GetCount();
  if (ObjIndex >= count) {
    ObjIndex = count - 1;
    Pos = 0;
  }
  if (ObjIndex < 0 || text.empty()) {
    ObjIndex = -1;
    Pos = 0;
    return false;
  }
  const vexa::ExclusiveFile* stream = file.Stream();
  if (!stream) throw VexaError("The object's file is no longer open; open the file again");
  TBackwardReader reader(*stream);
  std::string needle = text;
  if (!MatchCase) AsciiUpperInPlace(needle.data(), needle.size());
  std::string folded;
  for (; ObjIndex >= 0; --ObjIndex, Pos = 0) {
    const TObjectTextObject& object = file.GetObject(ObjIndex);
    const std::int64_t length = std::max(object.Length(), 0);
    const std::int64_t limit = Pos >= 1 && Pos - 1 < length ? Pos - 1 : length;
    if (limit < std::int64_t(needle.size())) continue;
    std::string_view bytes = reader.At(object.StartOffset(), object.StartOffset() + limit);
    if (!MatchCase) {
      folded.assign(bytes);
      AsciiUpperInPlace(folded.data(), folded.size());
      bytes = folded;
    }
    const std::size_t hit = bytes.rfind(needle);
    if (hit != std::string_view::npos) {
      Pos = std::int32_t(hit + 1);
      return true;
    }
  }
  ObjIndex = -1;
  Pos = 0;
  return false;
}
