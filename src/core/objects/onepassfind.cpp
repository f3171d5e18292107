// SPDX-License-Identifier: MIT
#include "onepassfind.h"

#include <algorithm>

TOnePassFind::TOnePassFind(const TObjectTextFile& file, std::string needle, bool matchCase,
                           TMatchReport report, TObjectAccept accept, bool acceptAtEnd)
    : FFile(file),
      FNeedle(std::move(needle)),
      FMatchCase(matchCase),
      FReport(std::move(report)),
      FAccept(std::move(accept)),
      FAcceptAtEnd(acceptAtEnd) {}

void TOnePassFind::Scanned(const TScannedText& text) {
  if (FTailOffset + std::int64_t(FTail.size()) != text.Offset) {
    // Not the stretch after the last one: nothing kept can join it.
    FTail.clear();
    FTailOffset = text.Offset;
  }
  FBytes = text.Bytes;
  FBase = text.Offset;
  const std::int32_t decided = FAcceptAtEnd && !text.Final ? 0 : text.PropertiesFrom;
  Flush(decided);
  if (!FNeedle.empty()) SearchObjects(decided);
  if (text.Final) Flush(FFile.GetCount());
  FBytes = {};
}

void TOnePassFind::EnterObject(std::int32_t index) {
  FObject = index;
  FFrom = FFile.GetObject(index).StartOffset();
  FLines = {FFrom, 1, false};
}

void TOnePassFind::SearchObjects(std::int32_t decided) {
  const std::int64_t end = FBase + std::int64_t(FBytes.size());
  const std::int32_t count = FFile.GetCount();
  const auto m = std::int64_t(FNeedle.size());
  if (FObject < 0) {
    // Bytes before the first header belong to no object.
    if (count == 0) return Keep(end);
    EnterObject(0);
  }
  bool skipped = false;
  for (;;) {
    const std::int64_t start = FFile.GetObject(FObject).StartOffset();
    // Every header that starts before end is known, so an object that has a
    // successor ends within what is here.
    const bool closed = FObject + 1 < count;
    const std::int64_t limit = closed ? FFile.GetObject(FObject + 1).StartOffset() : end;
    skipped = FAccept && FObject < decided && !FAccept(FObject);
    if (skipped) FFrom = limit;
    for (std::int64_t hit; (hit = Search(FFrom, limit)) >= 0; FFrom = hit + m)
      Found({FObject, std::int32_t(hit - start + 1), LineAt(hit)}, decided);
    if (!closed) break;
    EnterObject(FObject + 1);
  }
  // Only the last m - 1 bytes can still begin a match; the lines before
  // them are counted now, while their bytes are here.
  const std::int64_t keep = std::max(FFrom, end - (m - 1));
  if (!skipped) LineAt(keep);
  FFrom = keep;
  Keep(keep);
}

std::int64_t TOnePassFind::Search(std::int64_t from, std::int64_t to) const {
  const auto m = std::int64_t(FNeedle.size());
  auto find = [&](std::string_view hay) {
    return FMatchCase ? FindBytes(hay, FNeedle, 0) : FindBytesIgnoringCase(hay, FNeedle, 0);
  };
  if (to - from < m) return -1;
  if (from < FBase) {
    // A match that starts in the kept bytes lies within them and the first
    // m - 1 bytes of the stretch.
    std::string joined =
        FTail.substr(std::size_t(from - FTailOffset), std::size_t(std::min(to, FBase) - from));
    if (to > FBase) joined.append(FBytes.substr(0, std::size_t(std::min(m - 1, to - FBase))));
    const std::size_t hit = find(joined);
    if (hit != std::string_view::npos) return from + std::int64_t(hit);
    from = FBase;
    if (to - from < m) return -1;
  }
  const std::size_t hit = find(FBytes.substr(std::size_t(from - FBase), std::size_t(to - from)));
  return hit == std::string_view::npos ? -1 : from + std::int64_t(hit);
}

std::int32_t TOnePassFind::LineAt(std::int64_t offset) {
  auto count = [this](std::string_view bytes) {
    FLines.Line += CountLineBreaks(bytes, FLines.AfterCR);
    if (!bytes.empty()) FLines.AfterCR = bytes.back() == '\r';
    FLines.Counted += std::int64_t(bytes.size());
  };
  if (FLines.Counted < FBase && FLines.Counted < offset)
    count(std::string_view(FTail).substr(std::size_t(FLines.Counted - FTailOffset),
                                         std::size_t(std::min(offset, FBase) - FLines.Counted)));
  if (FLines.Counted < offset)
    count(FBytes.substr(std::size_t(FLines.Counted - FBase), std::size_t(offset - FLines.Counted)));
  return FLines.Line;
}

void TOnePassFind::Keep(std::int64_t from) {
  const std::int64_t end = FBase + std::int64_t(FBytes.size());
  std::string kept;
  if (from < FBase) kept.assign(FTail, std::size_t(from - FTailOffset));
  kept.append(FBytes.substr(std::size_t(std::max(from, FBase) - FBase)));
  FTail = std::move(kept);
  FTailOffset = end - std::int64_t(FTail.size());
}

void TOnePassFind::Found(const TFoundMatch& match, std::int32_t decided) {
  if (!FAccept) {
    FReport(match);
    ++FCount;
    return;
  }
  // Matches go out in file order, so they wait behind an object whose
  // filter cannot be decided yet.
  FWaiting.push_back(match);
  Flush(decided);
}

void TOnePassFind::Flush(std::int32_t decided) {
  while (!FWaiting.empty() && FWaiting.front().Index < decided) {
    const TFoundMatch match = FWaiting.front();
    FWaiting.pop_front();
    if (!FAccept(match.Index)) continue;
    FReport(match);
    ++FCount;
  }
}

std::size_t FindWhileLoading(TObjectTextFile& file, const std::string& fileName,
                             const std::string& needle, bool matchCase, const TMatchReport& report,
                             const TObjectAccept& accept, bool acceptAtEnd) {
  TOnePassFind finder(file, needle, matchCase, report, accept, acceptAtEnd);
  struct TListening {
    TObjectTextFile& File;
    ~TListening() { File.SetOnScanned(nullptr); }
  } listening{file};
  file.SetOnScanned([&finder](const TScannedText& text) { finder.Scanned(text); });
  file.LoadFromFile(fileName);
  return finder.Count();
}
