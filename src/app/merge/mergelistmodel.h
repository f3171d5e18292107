// SPDX-License-Identifier: MIT
// The objects of a merge with their status: the conflicts first, then the
// others, each group in the merge's order. The order is set when the merge
// is shown and kept while conflicts are resolved, so that rows stay put.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "mergeresult.h"
#include "objecticons.h"

class TMergeListModel : public QAbstractTableModel {
 public:
  enum { colType, colID, colName, colStatus, ColumnCount };

  TMergeListModel(const TImageList& images, QObject* parent);

  // The result must outlive the model's use of it; null clears the list.
  void setResult(const merge::TMergeResult* result);
  // The merge item of a row, or -1 outside the rows.
  int itemIndex(int row) const;
  int rowOf(int item) const;
  // The item's status changed.
  void itemChanged(int item);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const TImageList& FImages;
  const merge::TMergeResult* FResult = nullptr;
  std::vector<int> FItems;  // by row
  std::vector<int> FRows;   // by item
};
