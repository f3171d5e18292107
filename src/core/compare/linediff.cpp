// SPDX-License-Identifier: MIT
#include "linediff.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

namespace {

std::string_view LineBytes(std::string_view text, const TTextLine& line) {
  return text.substr(line.Begin, std::size_t(line.Length) + line.BreakLength);
}

enum class TEdit : std::int8_t { eCommon, eDelete, eAdd };

// The shortest edit script by Myers' O(ND) method in linear space: each
// range is cut at the middle of a shortest path, found by searching from both
// ends at once, and the halves are compared in turn. Ranges whose search
// grows too costly are cut at the best point reached so far, as GNU diff
// does, so that the time stays near O(N * sqrt N) on unrelated texts while
// ordinary diffs stay minimal.
class TMyers {
 public:
  TMyers(const std::vector<std::int32_t>& a, const std::vector<std::int32_t>& b,
         std::vector<bool>& removed, std::vector<bool>& added)
      : FA(a),
        FB(b),
        FRemoved(removed),
        FAdded(added),
        FForward(a.size() + b.size() + 3),
        FBackward(a.size() + b.size() + 3),
        FOffset(std::ptrdiff_t(b.size()) + 1) {
    FTooExpensive = 1;
    for (std::size_t diagonals = a.size() + b.size() + 3; diagonals != 0; diagonals >>= 2)
      FTooExpensive <<= 1;
    FTooExpensive = std::max<std::ptrdiff_t>(FTooExpensive, 4096);
  }

  void Compare(std::ptrdiff_t xoff, std::ptrdiff_t xlim, std::ptrdiff_t yoff, std::ptrdiff_t ylim) {
    for (;;) {
      while (xoff < xlim && yoff < ylim && FA[std::size_t(xoff)] == FB[std::size_t(yoff)])
        ++xoff, ++yoff;
      while (xlim > xoff && ylim > yoff && FA[std::size_t(xlim - 1)] == FB[std::size_t(ylim - 1)])
        --xlim, --ylim;
      if (xoff == xlim) {
        for (; yoff < ylim; ++yoff) FAdded[std::size_t(yoff)] = true;
        return;
      }
      if (yoff == ylim) {
        for (; xoff < xlim; ++xoff) FRemoved[std::size_t(xoff)] = true;
        return;
      }
      const auto [xmid, ymid] = Split(xoff, xlim, yoff, ylim);
      // The smaller half by recursion, the other by the loop: the depth
      // stays logarithmic.
      if (xmid - xoff + ymid - yoff < xlim - xmid + ylim - ymid) {
        Compare(xoff, xmid, yoff, ymid);
        xoff = xmid, yoff = ymid;
      } else {
        Compare(xmid, xlim, ymid, ylim);
        xlim = xmid, ylim = ymid;
      }
    }
  }

 private:
  std::ptrdiff_t& Fd(std::ptrdiff_t k) { return FForward[std::size_t(k + FOffset)]; }
  std::ptrdiff_t& Bd(std::ptrdiff_t k) { return FBackward[std::size_t(k + FOffset)]; }
  bool Same(std::ptrdiff_t x, std::ptrdiff_t y) const {
    return FA[std::size_t(x)] == FB[std::size_t(y)];
  }

  // A point of a shortest (or, when too costly, a good) path from
  // (xoff, yoff) to (xlim, ylim) that splits it in two; both ranges are
  // non-empty and differ at both ends.
  std::pair<std::ptrdiff_t, std::ptrdiff_t> Split(std::ptrdiff_t xoff, std::ptrdiff_t xlim,
                                                  std::ptrdiff_t yoff, std::ptrdiff_t ylim) {
    const std::ptrdiff_t dmin = xoff - ylim, dmax = xlim - yoff;
    const std::ptrdiff_t fmid = xoff - yoff, bmid = xlim - ylim;
    std::ptrdiff_t fmin = fmid, fmax = fmid, bmin = bmid, bmax = bmid;
    const bool odd = ((fmid - bmid) & 1) != 0;
    Fd(fmid) = xoff;
    Bd(bmid) = xlim;
    for (std::ptrdiff_t cost = 1;; ++cost) {
      if (fmin > dmin)
        Fd(--fmin - 1) = -1;
      else
        ++fmin;
      if (fmax < dmax)
        Fd(++fmax + 1) = -1;
      else
        --fmax;
      for (std::ptrdiff_t d = fmax; d >= fmin; d -= 2) {
        const std::ptrdiff_t lo = Fd(d - 1), hi = Fd(d + 1);
        std::ptrdiff_t x = lo >= hi ? lo + 1 : hi;
        std::ptrdiff_t y = x - d;
        while (x < xlim && y < ylim && Same(x, y)) ++x, ++y;
        Fd(d) = x;
        if (odd && bmin <= d && d <= bmax && Bd(d) <= x) return {x, y};
      }
      if (bmin > dmin)
        Bd(--bmin - 1) = PTRDIFF_MAX;
      else
        ++bmin;
      if (bmax < dmax)
        Bd(++bmax + 1) = PTRDIFF_MAX;
      else
        --bmax;
      for (std::ptrdiff_t d = bmax; d >= bmin; d -= 2) {
        const std::ptrdiff_t lo = Bd(d - 1), hi = Bd(d + 1);
        std::ptrdiff_t x = lo < hi ? lo : hi - 1;
        std::ptrdiff_t y = x - d;
        while (x > xoff && y > yoff && Same(x - 1, y - 1)) --x, --y;
        Bd(d) = x;
        if (!odd && fmin <= d && d <= fmax && x <= Fd(d)) return {x, y};
      }
      if (cost >= FTooExpensive) return BestSoFar(xoff, xlim, yoff, ylim, fmin, fmax, bmin, bmax);
    }
  }

  // The furthest point either search has reached, measured by x + y.
  std::pair<std::ptrdiff_t, std::ptrdiff_t> BestSoFar(std::ptrdiff_t xoff, std::ptrdiff_t xlim,
                                                      std::ptrdiff_t yoff, std::ptrdiff_t ylim,
                                                      std::ptrdiff_t fmin, std::ptrdiff_t fmax,
                                                      std::ptrdiff_t bmin, std::ptrdiff_t bmax) {
    std::ptrdiff_t forwardBest = -1, forwardX = xoff;
    for (std::ptrdiff_t d = fmax; d >= fmin; d -= 2) {
      std::ptrdiff_t x = std::min(Fd(d), xlim);
      std::ptrdiff_t y = x - d;
      if (ylim < y) x = ylim + d, y = ylim;
      if (forwardBest < x + y) forwardBest = x + y, forwardX = x;
    }
    std::ptrdiff_t backwardBest = PTRDIFF_MAX, backwardX = xlim;
    for (std::ptrdiff_t d = bmax; d >= bmin; d -= 2) {
      std::ptrdiff_t x = std::max(xoff, Bd(d));
      std::ptrdiff_t y = x - d;
      if (y < yoff) x = yoff + d, y = yoff;
      if (x + y < backwardBest) backwardBest = x + y, backwardX = x;
    }
    if ((xlim + ylim) - backwardBest < forwardBest - (xoff + yoff))
      return {forwardX, forwardBest - forwardX};
    return {backwardX, backwardBest - backwardX};
  }

  const std::vector<std::int32_t>& FA;
  const std::vector<std::int32_t>& FB;
  std::vector<bool>& FRemoved;
  std::vector<bool>& FAdded;
  std::vector<std::ptrdiff_t> FForward;
  std::vector<std::ptrdiff_t> FBackward;
  std::ptrdiff_t FOffset;
  std::ptrdiff_t FTooExpensive;
};

// The edit script between two sequences of line ids. A line whose id the
// other side lacks is changed in every script, so only the others are
// searched: on real revisions that leaves a small part of the lines.
std::vector<TEdit> EditScript(const std::vector<std::int32_t>& a,
                              const std::vector<std::int32_t>& b, std::size_t idCount) {
  std::vector<std::uint8_t> inA(idCount), inB(idCount);
  for (std::int32_t id : a) inA[std::size_t(id)] = 1;
  for (std::int32_t id : b) inB[std::size_t(id)] = 1;
  std::vector<bool> removed(a.size()), added(b.size());
  std::vector<std::int32_t> keptA, keptB;
  std::vector<std::size_t> whereA, whereB;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (inB[std::size_t(a[i])])
      keptA.push_back(a[i]), whereA.push_back(i);
    else
      removed[i] = true;
  for (std::size_t j = 0; j < b.size(); ++j)
    if (inA[std::size_t(b[j])])
      keptB.push_back(b[j]), whereB.push_back(j);
    else
      added[j] = true;
  std::vector<bool> keptRemoved(keptA.size()), keptAdded(keptB.size());
  TMyers(keptA, keptB, keptRemoved, keptAdded)
      .Compare(0, std::ptrdiff_t(keptA.size()), 0, std::ptrdiff_t(keptB.size()));
  for (std::size_t i = 0; i < keptA.size(); ++i)
    if (keptRemoved[i]) removed[whereA[i]] = true;
  for (std::size_t j = 0; j < keptB.size(); ++j)
    if (keptAdded[j]) added[whereB[j]] = true;

  // Within a run of changes the removed lines come first, as readers expect.
  std::vector<TEdit> script;
  script.reserve(a.size() + b.size());
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    if (i < a.size() && removed[i]) {
      script.push_back(TEdit::eDelete), ++i;
    } else if (j < b.size() && added[j]) {
      script.push_back(TEdit::eAdd), ++j;
    } else if (i < a.size() && j < b.size() && a[i] == b[j]) {
      script.push_back(TEdit::eCommon), ++i, ++j;
    } else {
      // Never show a diff that does not turn one text into the other.
      script.assign(a.size(), TEdit::eDelete);
      script.insert(script.end(), b.size(), TEdit::eAdd);
      return script;
    }
  }
  return script;
}

}  // namespace

std::vector<TTextLine> SplitLines(std::string_view text) {
  std::vector<TTextLine> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n' && text[end] != '\0') ++end;
    std::uint8_t breakLength = 0;
    if (end < text.size()) {
      breakLength = 1;
      if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') breakLength = 2;
    }
    lines.push_back({std::uint32_t(pos), std::uint32_t(end - pos), breakLength});
    pos = end + breakLength;
  }
  return lines;
}

std::vector<TDiffHunk> DiffLines(std::string_view oldText, std::string_view newText, int context) {
  const std::vector<TTextLine> oldLines = SplitLines(oldText);
  const std::vector<TTextLine> newLines = SplitLines(newText);

  // Equal lines at both ends need no diff; the rest become ids, one per distinct line.
  std::size_t head = 0;
  while (head < oldLines.size() && head < newLines.size() &&
         LineBytes(oldText, oldLines[head]) == LineBytes(newText, newLines[head]))
    ++head;
  std::size_t tail = 0;
  while (tail < oldLines.size() - head && tail < newLines.size() - head &&
         LineBytes(oldText, oldLines[oldLines.size() - 1 - tail]) ==
             LineBytes(newText, newLines[newLines.size() - 1 - tail]))
    ++tail;
  std::unordered_map<std::string_view, std::int32_t> ids;
  auto idsOf = [&](std::string_view text, const std::vector<TTextLine>& lines) {
    std::vector<std::int32_t> result;
    result.reserve(lines.size() - head - tail);
    for (std::size_t k = head; k < lines.size() - tail; ++k)
      result.push_back(
          ids.try_emplace(LineBytes(text, lines[k]), std::int32_t(ids.size())).first->second);
    return result;
  };
  const std::vector<std::int32_t> oldIds = idsOf(oldText, oldLines);
  const std::vector<std::int32_t> newIds = idsOf(newText, newLines);

  std::vector<TEdit> script(head, TEdit::eCommon);
  const std::vector<TEdit> middle = EditScript(oldIds, newIds, ids.size());
  script.insert(script.end(), middle.begin(), middle.end());
  script.insert(script.end(), tail, TEdit::eCommon);

  // Line numbers (0-based) before each script step.
  std::vector<std::pair<std::int32_t, std::int32_t>> at(script.size() + 1);
  for (std::size_t s = 0; s < script.size(); ++s) {
    at[s + 1] = at[s];
    if (script[s] != TEdit::eAdd) ++at[s + 1].first;
    if (script[s] != TEdit::eDelete) ++at[s + 1].second;
  }

  const std::size_t ctx = std::size_t(std::max(context, 0));
  std::vector<TDiffHunk> hunks;
  std::size_t s = 0;
  while (s < script.size()) {
    if (script[s] == TEdit::eCommon) {
      ++s;
      continue;
    }
    // A hunk runs from ctx lines before this change to ctx lines after the
    // last change that follows within 2 * ctx unchanged lines.
    const std::size_t first = s >= ctx ? s - ctx : 0;
    std::size_t last = s;  // one past the last change
    std::size_t k = s;
    while (k < script.size()) {
      if (script[k] != TEdit::eCommon) {
        last = ++k;
        continue;
      }
      std::size_t run = k;
      while (run < script.size() && script[run] == TEdit::eCommon) ++run;
      if (run == script.size() || run - k > 2 * ctx) break;
      k = run;
    }
    const std::size_t end = std::min(script.size(), last + ctx);
    TDiffHunk hunk;
    for (std::size_t step = first; step < end; ++step) {
      const auto [o, n] = at[step];
      switch (script[step]) {
        case TEdit::eCommon: {
          const TTextLine& line = oldLines[std::size_t(o)];
          hunk.Lines.push_back(
              {TDiffLineKind::dlContext, o + 1, n + 1, line.Begin, line.Length, line.BreakLength});
          break;
        }
        case TEdit::eDelete: {
          const TTextLine& line = oldLines[std::size_t(o)];
          hunk.Lines.push_back(
              {TDiffLineKind::dlRemoved, o + 1, 0, line.Begin, line.Length, line.BreakLength});
          break;
        }
        case TEdit::eAdd: {
          const TTextLine& line = newLines[std::size_t(n)];
          hunk.Lines.push_back(
              {TDiffLineKind::dlAdded, 0, n + 1, line.Begin, line.Length, line.BreakLength});
          break;
        }
      }
    }
    hunk.OldCount = at[end].first - at[first].first;
    hunk.NewCount = at[end].second - at[first].second;
    // An empty side names the line before it, as the unified form does.
    hunk.OldStart = at[first].first + (hunk.OldCount > 0 ? 1 : 0);
    hunk.NewStart = at[first].second + (hunk.NewCount > 0 ? 1 : 0);
    hunks.push_back(std::move(hunk));
    s = end;
  }
  return hunks;
}

namespace {

void AppendRange(std::string& out, std::int32_t start, std::int32_t count) {
  out += std::to_string(start);
  if (count != 1) out += "," + std::to_string(count);
}

}  // namespace

void WriteUnifiedDiff(std::string& out, const std::vector<TDiffHunk>& hunks,
                      std::string_view oldText, std::string_view newText, std::string_view oldLabel,
                      std::string_view newLabel) {
  out += "--- ";
  out += oldLabel;
  out += "\n+++ ";
  out += newLabel;
  out += '\n';
  for (const TDiffHunk& hunk : hunks) {
    out += "@@ -";
    AppendRange(out, hunk.OldStart, hunk.OldCount);
    out += " +";
    AppendRange(out, hunk.NewStart, hunk.NewCount);
    out += " @@\n";
    for (const TDiffLine& line : hunk.Lines) {
      const std::string_view text = line.Kind == TDiffLineKind::dlAdded ? newText : oldText;
      out += line.Kind == TDiffLineKind::dlContext   ? ' '
             : line.Kind == TDiffLineKind::dlRemoved ? '-'
                                                     : '+';
      out += text.substr(line.Begin, std::size_t(line.Length) + line.BreakLength);
      if (line.BreakLength == 0) out += "\n\\ No newline at end of file\n";
    }
  }
}
