// SPDX-License-Identifier: MIT
// The three-way merge of object text files: ORIGINAL, MODIFIED (ORIGINAL
// with an update) and TARGET (ORIGINAL with customisations), object by
// object, paired by type and number.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "objectmerge.h"
#include "objectset.h"
#include "vexafile.h"

namespace merge {

enum class TMergeStatus : std::uint8_t {
  msMerged,             // both sides changed it; merged without conflict
  msConflict,           // the result holds conflict marks
  msTakenFromModified,  // changed in MODIFIED only, or the same way on both sides
  msTakenFromTarget,    // changed in TARGET only
  msAdded,              // not in ORIGINAL
  msDeleted,            // gone from one side, unchanged on the other, or from both
  msUnchanged
};
inline constexpr std::size_t MergeStatusCount = 7;

// "merged", "conflict", "taken from modified", ...
std::string_view MergeStatusName(TMergeStatus status);

struct TMergeItem {
  std::int32_t OriginalIndex = -1;  // -1 where the side lacks the object
  std::int32_t ModifiedIndex = -1;
  std::int32_t TargetIndex = -1;
  TMergeStatus Status = TMergeStatus::msUnchanged;
  std::int32_t Conflicts = 0;  // conflict blocks in its result
};

struct TMergeCounts {
  std::array<std::int32_t, MergeStatusCount> Of{};
  std::int32_t operator[](TMergeStatus status) const { return Of[std::size_t(status)]; }
};

struct TFileMerge {
  // In the result's order: the target's objects with the modified side's
  // new ones after the object they follow there; then the objects that
  // only the original has.
  std::vector<TMergeItem> Items;
  TMergeCounts Counts;
};

// The object of an item as one of its sides has it: target first.
const TObjectTextObject& ItemObject(const TMergeItem& item, const TObjectSet& original,
                                    const TObjectSet& modified, const TObjectSet& target);

// The result of one object from its three texts (a missing side empty);
// empty text for an object the result drops.
TObjectResult MergeObjectTexts(std::string_view original, std::string_view modified,
                               std::string_view target, bool inOriginal, bool inModified,
                               bool inTarget, const TMergeOptions& options, TMergeStatus& status);

// Hands the text before the first object (item null) and then each item
// with its result, in order, to write; every object is read once from each
// side and nothing is kept. A side may be a file or a folder's objects; a
// folder has no text before its first object.
using TMergeWriter = std::function<void(const TMergeItem* item, std::string_view text)>;
TFileMerge MergeFiles(const TObjectSet& original, const TObjectSet& modified,
                      const TObjectSet& target, const TMergeOptions& options,
                      const TMergeWriter& write);

// "2 merged, 1 conflict, 3 taken from modified, ..., 6,337 unchanged"
std::string MergeSummaryText(const TMergeCounts& counts);

}  // namespace merge
