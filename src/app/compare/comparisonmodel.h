// SPDX-License-Identifier: MIT
// The object list while two files are compared: the new file's objects in
// its order, then the removed ones, with a status column and rows tinted by
// status. Rows are produced on demand from the comparison.
#pragma once

#include <QAbstractTableModel>
#include <QColor>

#include "comparison.h"
#include "objecticons.h"

class TComparisonModel : public QAbstractTableModel {
 public:
  enum { colType, colID, colName, colStatus, ColumnCount };

  TComparisonModel(const TImageList& images, QObject* parent);

  // The files and the comparison must outlive the model's use of them.
  void setComparison(const TObjectSet& oldFile, const TObjectSet& newFile,
                     const TComparison& comparison);
  void clear();

  // The row's pair, or null outside the rows.
  const TComparisonItem* item(int row) const;
  // The object a row stands for: the new one, or the old one when removed.
  const TObjectTextObject* object(int row) const;

  // "Added", "Removed", "Changed", "Properties only"; empty when identical.
  static QString statusText(TComparisonStatus status);
  static QColor tint(TComparisonStatus status);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const TImageList& FImages;
  const TObjectSet* FOld = nullptr;
  const TObjectSet* FNew = nullptr;
  const TComparison* FComparison = nullptr;
};
