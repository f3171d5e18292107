// SPDX-License-Identifier: MIT
#include "objectfilterproxy.h"

TObjectFilterProxy::TObjectFilterProxy(QObject* parent) : QSortFilterProxyModel(parent) {
  // File order is the only order; nothing is sorted.
  setDynamicSortFilter(false);
}

void TObjectFilterProxy::setObjectFilter(std::shared_ptr<const TObjectFilter> filter) {
  FFilter = std::move(filter);
  invalidateFilter();
}

int TObjectFilterProxy::objectIndex(int row) const {
  return mapToSource(index(row, 0)).row();
}

int TObjectFilterProxy::matchingCount() const {
  if (!FFile) return 0;
  if (!filterActive()) return FFile->GetCount();
  return int(FFilter->MatchingIndexes(*FFile).size());
}

bool TObjectFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
  if (!filterActive()) return true;
  // The list may still count the rows of a file that is being replaced.
  if (!FFile || sourceRow >= FFile->GetCount()) return false;
  return FFilter->Matches(FFile->GetObject(sourceRow));
}
