// SPDX-License-Identifier: MIT
#include "linemerge.h"

#include "linediff.h"

namespace merge {

namespace {

// For each line of from, the line of to it is kept as, or -1, from the
// line diff's hunks: every line no hunk touches is kept, in order.
std::vector<std::int32_t> Matches(std::string_view from, std::string_view to,
                                  std::int32_t fromCount, std::int32_t toCount) {
  std::vector<char> removed(std::size_t(fromCount), 0);
  std::vector<char> added(std::size_t(toCount), 0);
  for (const TDiffHunk& hunk : DiffLines(from, to, 0))
    for (const TDiffLine& line : hunk.Lines) {
      if (line.Kind == TDiffLineKind::dlRemoved) removed[std::size_t(line.OldNumber - 1)] = 1;
      if (line.Kind == TDiffLineKind::dlAdded) added[std::size_t(line.NewNumber - 1)] = 1;
    }
  std::vector<std::int32_t> match(std::size_t(fromCount), -1);
  std::int32_t j = 0;
  for (std::int32_t i = 0; i < fromCount; ++i) {
    if (removed[std::size_t(i)]) continue;
    while (j < toCount && added[std::size_t(j)]) ++j;
    match[std::size_t(i)] = j++;
  }
  return match;
}

bool StartsWith(std::string_view text, std::size_t at, std::string_view mark) {
  if (text.compare(at, mark.size(), mark) != 0) return false;
  const std::size_t end = at + mark.size();
  return end == text.size() || text[end] == '\r' || text[end] == '\n';
}

std::size_t NextLine(std::string_view text, std::size_t at) {
  while (at < text.size() && text[at] != '\r' && text[at] != '\n') ++at;
  if (at < text.size() && text[at] == '\r') ++at;
  if (at < text.size() && text[at] == '\n') ++at;
  return at;
}

}  // namespace

TLineIndex IndexLines(std::string_view text) {
  TLineIndex index;
  for (const TTextLine& line : SplitLines(text)) index.Starts.push_back(line.Begin);
  index.Starts.push_back(std::uint32_t(text.size()));
  return index;
}

std::vector<TMergeChunk> MergeLineChunks(std::string_view original, std::string_view modified,
                                         std::string_view target) {
  const TLineIndex o = IndexLines(original);
  const TLineIndex a = IndexLines(modified);
  const TLineIndex b = IndexLines(target);
  const std::vector<std::int32_t> toA = Matches(original, modified, o.Count(), a.Count());
  const std::vector<std::int32_t> toB = Matches(original, target, o.Count(), b.Count());
  std::vector<TMergeChunk> chunks;
  std::int32_t i = 0, j = 0, k = 0;
  for (;;) {
    std::int32_t t = 0;
    while (i + t < o.Count() && toA[std::size_t(i + t)] == j + t &&
           toB[std::size_t(i + t)] == k + t)
      ++t;
    if (t > 0) {
      chunks.push_back({TMergeChunk::mcStable, i, i + t, j, j + t, k, k + t});
      i += t, j += t, k += t;
      continue;
    }
    if (i == o.Count() && j == a.Count() && k == b.Count()) break;
    // The next original line that both sides kept ends the unstable stretch.
    std::int32_t next = i;
    while (next < o.Count() && (toA[std::size_t(next)] < 0 || toB[std::size_t(next)] < 0)) ++next;
    const std::int32_t aEnd = next < o.Count() ? toA[std::size_t(next)] : a.Count();
    const std::int32_t bEnd = next < o.Count() ? toB[std::size_t(next)] : b.Count();
    const std::string_view oText = o.Lines(original, i, next);
    const std::string_view aText = a.Lines(modified, j, aEnd);
    const std::string_view bText = b.Lines(target, k, bEnd);
    TMergeChunk chunk{TMergeChunk::mcConflict, i, next, j, aEnd, k, bEnd};
    if (aText == oText)
      chunk.Kind = TMergeChunk::mcTarget;
    else if (bText == oText || aText == bText)
      chunk.Kind = TMergeChunk::mcModified;
    chunks.push_back(chunk);
    i = next, j = aEnd, k = bEnd;
  }
  return chunks;
}

std::string_view LineBreakOf(std::string_view text) {
  std::size_t crlf = 0, lf = 0, cr = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') {
        ++crlf;
        ++i;
      } else {
        ++cr;
      }
    } else if (text[i] == '\n') {
      ++lf;
    }
  }
  if (lf > crlf && lf >= cr) return "\n";
  if (cr > crlf && cr > lf) return "\r";
  return "\r\n";
}

void AppendConflict(std::string& out, std::string_view original, std::string_view modified,
                    std::string_view target, std::string_view lineBreak) {
  auto side = [&](std::string_view mark, std::string_view text) {
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += lineBreak;
    out += mark;
    out += lineBreak;
    out += text;
  };
  side(TargetMark, target);
  side(OriginalMark, original);
  side(ModifiedMark, modified);
  side(EndMark, {});
}

std::vector<TConflictBlock> FindConflicts(std::string_view text) {
  std::vector<TConflictBlock> blocks;
  std::size_t at = 0;
  while (at < text.size()) {
    if (!StartsWith(text, at, TargetMark)) {
      at = NextLine(text, at);
      continue;
    }
    // The marks must follow in order, each at a line start; otherwise this
    // is no block and the search goes on after its first line.
    const std::size_t begin = at;
    std::size_t pos[4] = {NextLine(text, at), 0, 0, 0};
    const std::string_view marks[3] = {OriginalMark, ModifiedMark, EndMark};
    std::size_t markAt[3] = {0, 0, 0};
    bool complete = true;
    for (int m = 0; m < 3 && complete; ++m) {
      std::size_t line = pos[m];
      while (line < text.size() && !StartsWith(text, line, marks[m]) &&
             !StartsWith(text, line, TargetMark))
        line = NextLine(text, line);
      complete = line < text.size() && StartsWith(text, line, marks[m]);
      markAt[m] = line;
      pos[m + 1] = NextLine(text, line);
    }
    if (!complete) {
      at = NextLine(text, begin);
      continue;
    }
    TConflictBlock block;
    block.Begin = begin;
    block.End = pos[3];
    block.Target = text.substr(pos[0], markAt[0] - pos[0]);
    block.Original = text.substr(pos[1], markAt[1] - pos[1]);
    block.Modified = text.substr(pos[2], markAt[2] - pos[2]);
    blocks.push_back(block);
    at = block.End;
  }
  return blocks;
}

}  // namespace merge
