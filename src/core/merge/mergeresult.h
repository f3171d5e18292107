// SPDX-License-Identifier: MIT
// A merge of three files held for a person to resolve: each object's result
// as it stands now, its conflicts resolved one at a time by choosing a side,
// and the whole result written out in the merge's order.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "filemerge.h"
#include "linemerge.h"

namespace merge {

enum class TConflictChoice : std::uint8_t {
  ccOriginal,
  ccModified,
  ccTarget,
  ccBoth  // MODIFIED's lines, then TARGET's
};

// text with its conflict block (0-based, as FindConflicts counts) replaced
// by the lines of the chosen side; text as it is when it has no such block.
std::string ResolveConflict(std::string_view text, std::size_t block, TConflictChoice choice);

class TMergeResult {
 public:
  // Merges the files, which must outlive the result and stay loaded.
  TMergeResult(const TObjectSet& original, const TObjectSet& modified, const TObjectSet& target,
               const TMergeOptions& options);

  const std::vector<TMergeItem>& Items() const { return FItems; }
  const TMergeCounts& Counts() const { return FCounts; }
  // The object an item stands for, as its sides have it: target first.
  const TObjectTextObject& Object(std::size_t item) const;
  // The item's result now: empty for an object the result drops.
  std::string Text(std::size_t item) const;
  std::vector<TConflictBlock> Conflicts(std::size_t item) const;

  // Replaces conflict block of item by the chosen side. An object deleted on
  // one side and changed on the other is dropped when the deleting side is
  // chosen. An item left without a conflict counts as merged.
  void Resolve(std::size_t item, std::size_t block, TConflictChoice choice);

  // The whole result as MergeFiles writes it, with the choices made.
  void Write(std::ostream& stream) const;

 private:
  void SetStatus(TMergeItem& item, TMergeStatus status);

  const TObjectSet& FOriginal;
  const TObjectSet& FModified;
  const TObjectSet& FTarget;
  std::vector<TMergeItem> FItems;
  TMergeCounts FCounts;
  // The text of every item whose result is no side's object as it is;
  // empty for the others, which read their side again.
  std::vector<std::string> FTexts;
  std::string FPreamble;
  std::string FLineBreak;
};

}  // namespace merge
