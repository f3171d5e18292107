// SPDX-License-Identifier: MIT
// The comparison list as the filter box leaves it: the comparison model's
// rows whose pair or single object matches, status: terms included.
#pragma once

#include <QSortFilterProxyModel>
#include <memory>

#include "comparisonfilter.h"

class TComparisonFilterProxy : public QSortFilterProxyModel {
 public:
  explicit TComparisonFilterProxy(QObject* parent = nullptr);

  // Row i of the source model is item i of comparison; all must outlive
  // their use here, or be replaced by nulls.
  void setComparison(const TObjectSet* oldFile, const TObjectSet* newFile,
                     const TComparison* comparison);
  // options with the status term, for filters this proxy is given.
  TFilterOptions filterOptions(TFilterOptions options) const {
    return FMatcher.WithStatusTerm(std::move(options));
  }
  // An empty filter shows every row.
  void setObjectFilter(std::shared_ptr<const TObjectFilter> filter);

  // The comparison item shown in a row of this model, or -1.
  int itemIndex(int row) const;

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  TComparisonFilter FMatcher;
  const TObjectSet* FOld = nullptr;
  const TObjectSet* FNew = nullptr;
  const TComparison* FComparison = nullptr;
  std::shared_ptr<const TObjectFilter> FFilter;
};
