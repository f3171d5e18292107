// SPDX-License-Identifier: MIT
// The object filter applied to a comparison: a status: term (for example
// status:changed|added) and which object of a pair the other terms test.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "comparison.h"
#include "objectfilter.h"

class TComparisonFilter {
 public:
  TComparisonFilter();

  // options with the status term kind added; filters compiled with them are
  // matched against items through this object.
  TFilterOptions WithStatusTerm(TFilterOptions options = {}) const;
  // Throws EFilterError for a malformed expression.
  TObjectFilter Compile(std::string_view expression, TFilterOptions options = {}) const;

  // An added object is tested in the new file and a removed one in the old
  // file; a pair matches when either of its objects does, so an object that
  // left the filtered set (lost a version tag, was renamed) is still shown.
  bool Matches(const TObjectFilter& filter, const TComparisonItem& item, const TObjectSet& oldFile,
               const TObjectSet& newFile) const;
  // The matching items in their order, with their counts; the duplicates
  // are the files' own and stay as they are.
  TComparison Select(const TObjectFilter& filter, const TComparison& comparison,
                     const TObjectSet& oldFile, const TObjectSet& newFile) const;

 private:
  // The status of the item being matched; none outside Matches, where a
  // status term holds for nothing.
  std::shared_ptr<std::optional<TComparisonStatus>> FCurrent;
};
