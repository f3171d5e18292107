#include "findall.h"

#include <algorithm>
#include <limits>

namespace marlox::cli {

std::int32_t TLineCounter::LineAt(const TObjectTextFile& file, std::int32_t index,
                                  std::int32_t pos) {
  const std::int64_t start = file.GetObject(index).StartOffset();
  if (index != FIndex) {
    FIndex = index;
    FCounted = start;
    FLine = 1;
    FAfterCR = false;
  }
  const std::int64_t offset = start + pos - 1;
  while (FCounted < offset) {
    const std::string_view bytes = FReader.At(FCounted, offset);
    FLine += CountLineBreaks(bytes, FAfterCR);
    if (!bytes.empty()) FAfterCR = bytes.back() == '\r';
    FCounted += std::int64_t(bytes.size());
  }
  return FLine;
}

std::size_t FindAll(TObjectTextFile& file, const std::string& needle, bool matchCase,
                    const std::function<void(const TMatch&)>& report, const TObjectAccept& accept) {
  std::optional<TLineCounter> lines;
  std::size_t count = 0;
  std::int32_t index = 0;
  std::int32_t pos = 0;
  const std::int32_t objects = file.GetCount();
  for (;;) {
    if (accept) {
      // Objects left out are not searched, unless a search runs on into them.
      while (index < objects && !accept(index)) {
        ++index;
        pos = 0;
      }
    }
    if (!file.FindText(index, pos, needle, matchCase)) break;
    if (accept && !accept(index)) {
      ++index;
      pos = 0;
      continue;
    }
    // The model found a match, so it holds its file.
    if (!lines) lines.emplace(*file.Stream());
    report({index, pos, lines->LineAt(file, index, pos)});
    ++count;
    // As find-next does: on after the match, so that matches never overlap.
    pos = std::int32_t(std::min<std::int64_t>(std::int64_t(pos) + std::int64_t(needle.size()),
                                              std::numeric_limits<std::int32_t>::max()));
  }
  return count;
}

}  // namespace marlox::cli
