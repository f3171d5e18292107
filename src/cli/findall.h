// The search of the find command: the matches that repeated find-next over
// the model gives, object after object, found while reading the file in
// large chunks instead of one read per object.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "vexafile.h"

namespace marlox::cli {

// 0-based offset of the first occurrence of needle in hay at or after from,
// or npos, where the ASCII letters a to z and A to Z match either case and
// every other byte only itself: the search AsciiUpperInPlace on both sides
// gives, without converting hay.
std::size_t FindBytesIgnoringCase(std::string_view hay, std::string_view needle, std::size_t from);

// Reads the open file through the model's stream, a chunk at a time.
class TChunkReader {
 public:
  TChunkReader(const vexa::ExclusiveFile& stream, std::size_t chunkSize);

  // The bytes from offset from on, up to to or the end of the chunk that
  // holds from, whichever comes first; at least min(to - from, chunk size)
  // bytes. Valid until the next call.
  std::string_view At(std::int64_t from, std::int64_t to);

 private:
  const vexa::ExclusiveFile& FStream;
  std::size_t FChunkSize;
  std::unique_ptr<char[]> FBuffer;
  std::int64_t FStart = 0;
  std::int64_t FEnd = 0;
};

// 1-based line numbers of increasing offsets within one object, counted as
// LineAtPosition counts them but only over the bytes not yet counted.
class TLineCounter {
 public:
  explicit TLineCounter(TChunkReader& reader) : FReader(reader) {}
  std::int32_t LineAt(std::int32_t index, std::int64_t objectStart, std::int64_t offset);

 private:
  TChunkReader& FReader;
  std::int32_t FIndex = -1;
  std::int64_t FCounted = 0;
  std::int32_t FLine = 1;
  bool FAfterCR = false;
};

struct TMatch {
  std::int32_t index;
  std::int32_t pos;
  std::int32_t line;
};

// Every match of needle in file order, each search going on where the previous
// match ended, and never across the end of an object. Returns the number of
// matches.
std::size_t FindAll(const TObjectTextFile& file, const std::string& needle, bool matchCase,
                    const std::function<void(const TMatch&)>& report);

}  // namespace marlox::cli
