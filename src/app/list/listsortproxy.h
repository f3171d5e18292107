// SPDX-License-Identifier: MIT
// A list's rows in the order of one of its columns, or in its source's order
// while no column is chosen. What the order is comes from the list's owner:
// rows compare through a callback, and rows without a value in the column
// (an object without a date) come last in either direction.
#pragma once

#include <QSortFilterProxyModel>
#include <functional>

class TListSortProxy : public QSortFilterProxyModel {
 public:
  // Source rows left and right compared by column: negative, zero or positive.
  using TCompareRows = std::function<int(int left, int right, int column)>;
  // Whether a source row has a value in column.
  using THasValue = std::function<bool(int row, int column)>;

  explicit TListSortProxy(QObject* parent = nullptr);

  void setCompare(TCompareRows compare, THasValue hasValue);
  bool sorted() const { return sortColumn() >= 0; }
  // Back to the source's order.
  void unsort() { sort(-1); }
  // The source row shown in a row of this model, or -1.
  int sourceRow(int row) const;

  // A list's rows are all alike: enabled, selectable and without children.
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 protected:
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  TCompareRows FCompare;
  THasValue FHasValue;
};
