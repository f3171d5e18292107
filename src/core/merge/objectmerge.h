// SPDX-License-Identifier: MIT
// The merge of one object that both sides changed: element by element where
// the object's structure names its elements, by lines inside one element.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "objectproperties.h"

namespace merge {

// Whose Version List a merged object gets.
enum class TVersionListMode : std::uint8_t { vlMerge, vlModified, vlTarget };

struct TMergeOptions {
  TVersionListMode VersionList = TVersionListMode::vlMerge;
  // How each side writes its dates, to tell which side is the later one.
  TDateOrder ModifiedDates = TDateOrder::doDayMonth;
  TDateOrder TargetDates = TDateOrder::doDayMonth;
};

struct TObjectMerge {
  std::string Text;
  std::int32_t Conflicts = 0;
};

// A result that is one side's text unchanged refers to it instead of a copy.
struct TObjectResult {
  std::string Merged;
  std::string_view Taken;
  bool IsMerged = false;
  std::int32_t Conflicts = 0;
  std::string_view Text() const { return IsMerged ? std::string_view(Merged) : Taken; }
};

// original is empty for an object that both sides added.
TObjectMerge MergeObject(std::string_view original, std::string_view modified,
                         std::string_view target, const TMergeOptions& options);

// Tag by tag: each prefix (NAVW1, NAVDK, ACME) with the higher of its
// versions; tags of either side are kept, in the target's order with the
// modified side's own tags after the tag they follow there.
std::string MergeVersionLists(std::string_view modified, std::string_view target);

// Whether version a is below version b: numbers compare as numbers.
bool VersionBelow(std::string_view a, std::string_view b);

}  // namespace merge
