// SPDX-License-Identifier: MIT
// The tree and the list over a loaded file, as virtual views: they store only
// how many nodes or rows there are and ask a data callback for each one when
// a view draws it, so no caption or text is copied out of the model.
#pragma once

#include <QAbstractItemModel>
#include <QString>
#include <functional>

#include "objecticons.h"

// What the callback fills in for one node or row.
struct TItemData {
  QString Caption;
  QString SubItems[7];
  int ImageIndex = -1;
};

using TItemDataEvent = std::function<void(int index, TItemData& item)>;

// One root node standing for the file, with one child per object. Node
// numbers are absolute: 0 is the root, object i is node i + 1.
class TObjectTreeModel : public QAbstractItemModel {
 public:
  TObjectTreeModel(const TImageList& images, QObject* parent);

  void setOnData(TItemDataEvent event) { FOnData = std::move(event); }
  void rebuild(const QString& rootCaption, int objectCount);
  void clear();

  bool hasRoot() const { return FHasRoot; }
  int objectCount() const { return FObjectCount; }
  QModelIndex nodeIndex(int absoluteIndex) const;
  static int absoluteIndex(const QModelIndex& index);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const TImageList& FImages;
  TItemDataEvent FOnData;
  QString FRootCaption;
  int FObjectCount = 0;
  bool FHasRoot = false;
};

// The object list: type, number, name and the object's properties, rows
// asked for on demand; while a folder is loaded, also the file of each object.
class TObjectListModel : public QAbstractTableModel {
 public:
  enum { colType, colID, colName, colModified, colVersionList, colDate, colTime, ColumnCount };
  // After the columns of a file's objects, shown only as setFileColumn says.
  static constexpr int colFile = ColumnCount;

  TObjectListModel(const TImageList& images, QObject* parent);

  void setOnData(TItemDataEvent event) { FOnData = std::move(event); }
  void setRowCount(int count);
  int itemCount() const { return FRowCount; }
  void setFileColumn(bool shown);
  bool fileColumn() const { return FFileColumn; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  void multiData(const QModelIndex& index, QModelRoleDataSpan roleDataSpan) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  QVariant cellValue(const QModelIndex& index, int role, const TItemData& item) const;

  const TImageList& FImages;
  TItemDataEvent FOnData;
  int FRowCount = 0;
  bool FFileColumn = false;
};
