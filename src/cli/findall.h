// The search of the find command: every match that repeated find-next over
// the model gives, with its line number.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "vexafile.h"

namespace marlox::cli {

// 1-based line numbers of increasing positions within one object, counted as
// LineAtPosition counts them but only over the bytes not yet counted, so that
// many matches in one large object do not count its lines again and again.
class TLineCounter {
 public:
  explicit TLineCounter(const vexa::ExclusiveFile& stream) : FReader(stream, ChunkSize) {}
  std::int32_t LineAt(const TObjectTextFile& file, std::int32_t index, std::int32_t pos);

 private:
  static constexpr std::size_t ChunkSize = 256 << 10;

  vexa::TChunkReader FReader;
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

// Says whether the object at an index takes part; none means every one.
using TObjectAccept = std::function<bool(std::int32_t index)>;

// Every match of needle in file order, each search going on where the previous
// match ended, and never across the end of an object. Returns the number of
// matches.
std::size_t FindAll(TObjectTextFile& file, const std::string& needle, bool matchCase,
                    const std::function<void(const TMatch&)>& report,
                    const TObjectAccept& accept = {});

}  // namespace marlox::cli
