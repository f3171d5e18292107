// SPDX-License-Identifier: MIT
#include "listsortproxy.h"

TListSortProxy::TListSortProxy(QObject* parent) : QSortFilterProxyModel(parent) {
  // The source's rows come and go with the filter; the order holds for them.
  setDynamicSortFilter(true);
}

void TListSortProxy::setCompare(TCompareRows compare, THasValue hasValue) {
  FCompare = std::move(compare);
  FHasValue = std::move(hasValue);
}

int TListSortProxy::sourceRow(int row) const {
  if (row < 0 || row >= rowCount()) return -1;
  return mapToSource(index(row, 0)).row();
}

// Without the round trip through the mappings of this proxy and the filter
// below it: a view that lays out a large list asks for every row's flags.
Qt::ItemFlags TListSortProxy::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

// Qt sorts descending by asking lessThan with the rows swapped, so a row
// without a value counts as the larger one ascending and the smaller one
// descending: last either way.
bool TListSortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  if (!FCompare) return left.row() < right.row();
  const int column = left.column();
  const bool hasLeft = !FHasValue || FHasValue(left.row(), column);
  const bool hasRight = !FHasValue || FHasValue(right.row(), column);
  if (hasLeft != hasRight) return sortOrder() == Qt::AscendingOrder ? hasLeft : hasRight;
  return hasLeft && FCompare(left.row(), right.row(), column) < 0;
}
