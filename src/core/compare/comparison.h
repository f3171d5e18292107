// SPDX-License-Identifier: MIT
// What differs between two loaded object text files: objects are paired by
// type and number, and each pair or single object gets one status.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "vexafile.h"

enum class TComparisonStatus : std::uint8_t {
  csIdentical,
  csPropertiesOnly,  // differs only inside the OBJECT-PROPERTIES block
  csChanged,
  csAdded,    // only in the new file
  csRemoved,  // only in the old file
};

struct TComparisonOptions {
  // CR LF, a lone CR and a lone LF count as the same line break.
  bool IgnoreLineBreaks = false;
  // A difference only inside the properties block counts as identical.
  bool IgnoreProperties = false;
};

struct TComparisonItem {
  std::int32_t OldIndex = -1;  // -1 when added
  std::int32_t NewIndex = -1;  // -1 when removed
  TComparisonStatus Status = TComparisonStatus::csIdentical;
  // The type and number occur more than once in one of the files.
  bool Duplicate = false;
};

// A type and number that occurs more than once in a file; its objects are
// paired in order of occurrence.
struct TDuplicateKey {
  TObjectType Type;
  std::int32_t ID;
  std::int32_t OldCount;
  std::int32_t NewCount;
};

struct TComparisonCounts {
  std::int32_t Added = 0;
  std::int32_t Removed = 0;
  std::int32_t Changed = 0;
  std::int32_t PropertiesOnly = 0;
  std::int32_t Identical = 0;
  bool AnyDifference() const { return Added + Removed + Changed + PropertiesOnly > 0; }
};

struct TComparison {
  // The new file's objects in its order, then the removed ones in the old file's order.
  std::vector<TComparisonItem> Items;
  std::vector<TDuplicateKey> Duplicates;
  TComparisonCounts Counts;
};

// Compares the two texts of one pair.
TComparisonStatus CompareTexts(std::string_view oldText, std::string_view newText,
                               const TComparisonOptions& options);

// Where two files hold the same bytes at the same offsets, found while the
// second one loads: a pair at one offset in both whose bytes lie wholly
// inside such a stretch is identical without reading it again.
class TStretchFeed;

class TSameBytes {
 public:
  // loaded must be loaded and stay so, unless its bytes come through a feed;
  // loading is the file about to load.
  TSameBytes(const TObjectTextFile& loaded, const TObjectTextFile& loading);

  // Give it every stretch of the loading file's load (its OnScanned event).
  void Scanned(const TScannedText& text);
  // Or, from any thread and in any order, every stretch as the load's parts
  // scan it (its OnBytes event), and Settle once the load has ended.
  void Seen(std::string_view bytes, std::int64_t offset);
  void Settle();
  // Where the loaded file's bytes come from while it loads too, instead of
  // from its file; null for its file again.
  void SetFeed(TStretchFeed* feed) { FFeed = feed; }

  // Whether the two objects, one of each file in either order, are known
  // to hold the same bytes.
  bool Same(const TObjectTextObject& oldObject, const TObjectTextObject& newObject) const;

 private:
  const TObjectTextFile& FLoaded;
  const TObjectTextFile& FLoading;
  // Sorted stretches [first, second) of equal bytes, none touching another.
  std::vector<std::pair<std::int64_t, std::int64_t>> FSame;
  std::vector<char> FBuffer;
  std::int64_t FUnequalRun = 0;
  std::atomic<bool> FGivenUp = false;
  std::mutex FSeenLock;
  TStretchFeed* FFeed = nullptr;
  std::string FScratch;  // the feed's bytes where they span stretches
};

// Reads every pair once from the two open files (none that same knows to be
// equal); no text is kept afterwards.
TComparison CompareFiles(const TObjectSet& oldFile, const TObjectSet& newFile,
                         const TComparisonOptions& options = {}, const TSameBytes* same = nullptr);

// "added", "removed", "changed", "properties only", "identical".
std::string_view StatusName(TComparisonStatus status);

// 6337 gives "6,337".
std::string GroupedNumber(std::int64_t value);

// "3 added, 1 removed, 12 changed, 40 properties only, 6,337 identical"
std::string SummaryText(const TComparisonCounts& counts);
