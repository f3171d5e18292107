// SPDX-License-Identifier: MIT
// The comparison of two small files and the line diff of two texts: every
// object of either file appears once, a file against itself is identical
// throughout, each pair's status is what its two whole texts give and agrees
// with byte equality, and the diff's hunks turn the old text into the new.
//
// Input: the old file, byte 1, the new file (no byte 1: both the same).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "comparison.h"
#include "fuzzsupport.h"
#include "linediff.h"
#include "vexafile.h"

namespace {

std::string_view Bytes(std::string_view text, std::uint32_t begin, std::uint32_t length) {
  FUZZ_CHECK(std::size_t(begin) + length <= text.size());
  return text.substr(begin, length);
}

// Applies the hunks to oldText line by line, checking what they keep and remove.
void CheckDiff(std::string_view oldText, std::string_view newText) {
  std::string joined;
  for (const TTextLine& line : SplitLines(oldText)) {
    FUZZ_CHECK(line.Length > 0 || line.BreakLength > 0);
    FUZZ_CHECK(std::size_t(line.Begin) == joined.size());
    joined += Bytes(oldText, line.Begin, line.Length + line.BreakLength);
  }
  FUZZ_CHECK(joined == oldText);

  const std::vector<TTextLine> oldLines = SplitLines(oldText);
  const std::vector<TDiffHunk> hunks = DiffLines(oldText, newText, 3);
  FUZZ_CHECK(hunks.empty() == (oldText == newText));
  std::string rebuilt;
  std::size_t next = 0;  // 0-based old line not yet copied
  auto copyOld = [&](std::size_t upTo) {
    FUZZ_CHECK(upTo <= oldLines.size() && next <= upTo);
    for (; next < upTo; ++next)
      rebuilt +=
          Bytes(oldText, oldLines[next].Begin, oldLines[next].Length + oldLines[next].BreakLength);
  };
  for (const TDiffHunk& hunk : hunks) {
    FUZZ_CHECK(!hunk.Lines.empty());
    std::int32_t oldCount = 0, newCount = 0;
    for (const TDiffLine& line : hunk.Lines) {
      if (line.Kind == TDiffLineKind::dlAdded) {
        FUZZ_CHECK(line.OldNumber == 0 && line.NewNumber > 0);
        rebuilt += Bytes(newText, line.Begin, line.Length + line.BreakLength);
        ++newCount;
        continue;
      }
      FUZZ_CHECK(line.OldNumber > 0);
      copyOld(std::size_t(line.OldNumber - 1));
      FUZZ_CHECK(next < oldLines.size());
      FUZZ_CHECK(line.Begin == oldLines[next].Begin && line.Length == oldLines[next].Length &&
                 line.BreakLength == oldLines[next].BreakLength);
      if (line.Kind == TDiffLineKind::dlContext) {
        FUZZ_CHECK(line.NewNumber > 0);
        rebuilt += Bytes(oldText, line.Begin, line.Length + line.BreakLength);
        ++newCount;
      } else {
        FUZZ_CHECK(line.NewNumber == 0);
      }
      ++next;
      ++oldCount;
    }
    FUZZ_CHECK(hunk.OldCount == oldCount && hunk.NewCount == newCount);
  }
  copyOld(oldLines.size());
  FUZZ_CHECK(rebuilt == newText);

  std::string unified;
  WriteUnifiedDiff(unified, hunks, oldText, newText, "old", "new");
  FUZZ_CHECK(hunks.empty() || unified.starts_with("--- old"));
}

bool Load(TObjectTextFile& file, const std::string& name, std::string_view text) {
  try {
    file.LoadFromFile(fuzz::WriteScratchFile(name, text));
    return true;
  } catch (const ConversionError&) {
    return false;
  }
}

void CheckComparison(const TObjectTextFile& oldFile, const TObjectTextFile& newFile,
                     const TComparisonOptions& options, bool same, int diffs) {
  const TComparison comparison = CompareFiles(oldFile, newFile, options);
  const std::int32_t oldCount = oldFile.GetCount(), newCount = newFile.GetCount();
  std::vector<int> oldSeen(std::size_t(oldCount), 0);
  TComparisonCounts counts;
  std::int32_t nextNew = 0;
  for (const TComparisonItem& item : comparison.Items) {
    // The new file's objects in order, then the removed ones.
    if (item.NewIndex >= 0) {
      FUZZ_CHECK(item.NewIndex == nextNew++);
    } else {
      FUZZ_CHECK(nextNew == newCount && item.Status == TComparisonStatus::csRemoved);
    }
    if (item.OldIndex >= 0) {
      FUZZ_CHECK(item.OldIndex < oldCount);
      ++oldSeen[std::size_t(item.OldIndex)];
    }
    FUZZ_CHECK((item.OldIndex < 0) == (item.Status == TComparisonStatus::csAdded));
    if (item.OldIndex >= 0 && item.NewIndex >= 0) {
      const TObjectTextObject& o = oldFile.GetObject(item.OldIndex);
      const TObjectTextObject& n = newFile.GetObject(item.NewIndex);
      FUZZ_CHECK(o.ObjectType() == n.ObjectType() && o.ID() == n.ID());
      const std::string oldText = o.GetText(), newText = n.GetText();
      FUZZ_CHECK(item.Status == CompareTexts(oldText, newText, options));
      if (oldText == newText) FUZZ_CHECK(item.Status == TComparisonStatus::csIdentical);
      if (!options.IgnoreLineBreaks && !options.IgnoreProperties &&
          item.Status == TComparisonStatus::csIdentical)
        FUZZ_CHECK(oldText == newText);
      // Each diff reserves a large table; a few per input keep the runs quick.
      if (item.Status != TComparisonStatus::csIdentical && diffs > 0) {
        --diffs;
        CheckDiff(oldText, newText);
      }
    }
    if (same) FUZZ_CHECK(item.Status == TComparisonStatus::csIdentical);
    switch (item.Status) {
      case TComparisonStatus::csIdentical: ++counts.Identical; break;
      case TComparisonStatus::csPropertiesOnly: ++counts.PropertiesOnly; break;
      case TComparisonStatus::csChanged: ++counts.Changed; break;
      case TComparisonStatus::csAdded: ++counts.Added; break;
      case TComparisonStatus::csRemoved: ++counts.Removed; break;
    }
  }
  FUZZ_CHECK(nextNew == newCount);
  for (int seen : oldSeen) FUZZ_CHECK(seen == 1);
  FUZZ_CHECK(comparison.Counts.Identical == counts.Identical &&
             comparison.Counts.PropertiesOnly == counts.PropertiesOnly &&
             comparison.Counts.Changed == counts.Changed &&
             comparison.Counts.Added == counts.Added &&
             comparison.Counts.Removed == counts.Removed);
  // A type and number twice in either file is a duplicate, and only then.
  for (const TDuplicateKey& d : comparison.Duplicates) FUZZ_CHECK(d.OldCount > 1 || d.NewCount > 1);
  for (const TComparisonItem& item : comparison.Items) {
    const TObjectTextObject& object =
        item.NewIndex >= 0 ? newFile.GetObject(item.NewIndex) : oldFile.GetObject(item.OldIndex);
    int inOld = 0, inNew = 0;
    for (std::int32_t i = 0; i < oldCount; ++i)
      inOld += oldFile.GetObject(i).ObjectType() == object.ObjectType() &&
               oldFile.GetObject(i).ID() == object.ID();
    for (std::int32_t i = 0; i < newCount; ++i)
      inNew += newFile.GetObject(i).ObjectType() == object.ObjectType() &&
               newFile.GetObject(i).ID() == object.ID();
    FUZZ_CHECK(item.Duplicate == (inOld > 1 || inNew > 1));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view whole(reinterpret_cast<const char*>(data), size);
  const std::size_t split = whole.find('\x01');
  const std::string oldText(whole.substr(0, split));
  const std::string newText(split == std::string_view::npos ? whole : whole.substr(split + 1));

  CheckDiff(oldText, newText);
  TObjectTextFile oldFile, newFile;
  if (!Load(oldFile, "old.txt", oldText) || !Load(newFile, "new.txt", newText)) return 0;
  for (int choice = 0; choice < 4; ++choice) {
    const TComparisonOptions options{(choice & 1) != 0, (choice & 2) != 0};
    CheckComparison(oldFile, newFile, options, false, choice == 0 ? 2 : 0);
    CheckComparison(oldFile, oldFile, options, true, 0);
  }
  return 0;
}
