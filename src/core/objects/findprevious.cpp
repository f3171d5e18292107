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

// Objects of a set of many files are read each from its own file.
class TBackwardReader {
 public:
  // The bytes [from, to) of stream; valid until the next call.
  std::string_view At(const vexa::ExclusiveFile& stream, std::int64_t from, std::int64_t to) {
    if (&stream != FStream || from < FStart || to > FEnd) {
      FStream = nullptr;
      const std::int64_t start = std::min(from, std::max<std::int64_t>(0, to - PieceSize));
      FBytes.resize(std::size_t(to - start));
      FStart = FEnd = 0;
      stream.ReadAt(start, FBytes.data(), FBytes.size());
      FStream = &stream;
      FStart = start;
      FEnd = to;
    }
    return std::string_view(FBytes).substr(std::size_t(from - FStart), std::size_t(to - from));
  }

 private:
  const vexa::ExclusiveFile* FStream = nullptr;
  std::string FBytes;
  std::int64_t FStart = 0;
  std::int64_t FEnd = 0;
};

}  // namespace

bool FindPreviousText(const TObjectSet& file, std::int32_t& ObjIndex, std::int32_t& Pos,
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
  TBackwardReader reader;
  std::string needle = text;
  if (!MatchCase) AsciiUpperInPlace(needle.data(), needle.size());
  std::string folded;
  for (; ObjIndex >= 0; --ObjIndex, Pos = 0) {
    const TObjectTextObject& object = file.GetObject(ObjIndex);
    const std::int64_t length = std::max(object.Length(), 0);
    const std::int64_t limit = Pos >= 1 && Pos - 1 < length ? Pos - 1 : length;
    if (limit < std::int64_t(needle.size())) continue;
    const vexa::ExclusiveFile* stream = object.Owner().Stream();
    if (!stream) throw VexaError("The object's file is no longer open; open the file again");
    std::string_view bytes = reader.At(*stream, object.StartOffset(), object.StartOffset() + limit);
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
