// SPDX-License-Identifier: MIT
#include "linediff.h"

#include <algorithm>
#include <dtl/dtl.hpp>
#include <unordered_map>

namespace {

std::string_view LineBytes(std::string_view text, const TTextLine& line) {
  return text.substr(line.Begin, std::size_t(line.Length) + line.BreakLength);
}

enum class TEdit : std::int8_t { eCommon, eDelete, eAdd };

// The edit script between two sequences of line ids. The diff library gets
// numbers, not lines, so that it compares and copies no text.
std::vector<TEdit> EditScript(const std::vector<std::int32_t>& a,
                              const std::vector<std::int32_t>& b) {
  std::vector<TEdit> script;
  if (a.empty() || b.empty()) {
    script.assign(a.size(), TEdit::eDelete);
    script.insert(script.end(), b.size(), TEdit::eAdd);
    return script;
  }
  dtl::Diff<std::int32_t, std::vector<std::int32_t>> diff(a, b);
  diff.onHuge();
  diff.compose();
  std::size_t i = 0;
  std::size_t j = 0;
  bool sound = true;
  for (const auto& [id, info] : diff.getSes().getSequence()) {
    if (info.type == dtl::SES_COMMON) {
      sound = sound && i < a.size() && j < b.size() && a[i] == id && b[j] == id;
      ++i, ++j;
      script.push_back(TEdit::eCommon);
    } else if (info.type == dtl::SES_DELETE) {
      sound = sound && i < a.size() && a[i] == id;
      ++i;
      script.push_back(TEdit::eDelete);
    } else {
      sound = sound && j < b.size() && b[j] == id;
      ++j;
      script.push_back(TEdit::eAdd);
    }
  }
  // Within a run of changes the removed lines come first, as readers expect.
  for (std::size_t k = 0; k < script.size();) {
    if (script[k] == TEdit::eCommon) {
      ++k;
      continue;
    }
    std::size_t end = k;
    while (end < script.size() && script[end] != TEdit::eCommon) ++end;
    std::stable_partition(script.begin() + std::ptrdiff_t(k), script.begin() + std::ptrdiff_t(end),
                          [](TEdit e) { return e == TEdit::eDelete; });
    k = end;
  }
  if (!sound || i != a.size() || j != b.size()) {
    // Never show a diff that does not turn one text into the other.
    script.assign(a.size(), TEdit::eDelete);
    script.insert(script.end(), b.size(), TEdit::eAdd);
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
  const std::vector<TEdit> middle = EditScript(oldIds, newIds);
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
