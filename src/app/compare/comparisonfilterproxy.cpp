// SPDX-License-Identifier: MIT
#include "comparisonfilterproxy.h"

TComparisonFilterProxy::TComparisonFilterProxy(QObject* parent) : QSortFilterProxyModel(parent) {
  // The comparison's order is the only order; nothing is sorted.
  setDynamicSortFilter(false);
}

void TComparisonFilterProxy::setComparison(const TObjectSet* oldFile, const TObjectSet* newFile,
                                           const TComparison* comparison) {
  FOld = oldFile;
  FNew = newFile;
  FComparison = comparison;
  invalidateFilter();
}

void TComparisonFilterProxy::setObjectFilter(std::shared_ptr<const TObjectFilter> filter) {
  FFilter = std::move(filter);
  invalidateFilter();
}

int TComparisonFilterProxy::itemIndex(int row) const {
  return mapToSource(index(row, 0)).row();
}

bool TComparisonFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
  if (!FFilter || FFilter->Empty()) return true;
  if (!FComparison || !FOld || !FNew || sourceRow >= int(FComparison->Items.size())) return false;
  return FMatcher.Matches(*FFilter, FComparison->Items[std::size_t(sourceRow)], *FOld, *FNew);
}
