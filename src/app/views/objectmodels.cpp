// SPDX-License-Identifier: MIT
#include "objectmodels.h"

#include "stringtable.h"

namespace {

// internalId of a top-level index (the root) and of a child of the root.
constexpr quintptr RootLevel = 0;
constexpr quintptr ChildLevel = 1;

}  // namespace

TObjectTreeModel::TObjectTreeModel(const TImageList& images, QObject* parent)
    : QAbstractItemModel(parent), FImages(images) {}

void TObjectTreeModel::rebuild(const QString& rootCaption, int objectCount) {
  beginResetModel();
  FHasRoot = true;
  FRootCaption = rootCaption;
  FObjectCount = objectCount;
  endResetModel();
}

void TObjectTreeModel::clear() {
  beginResetModel();
  FHasRoot = false;
  FRootCaption.clear();
  FObjectCount = 0;
  endResetModel();
}

QModelIndex TObjectTreeModel::nodeIndex(int absoluteIndex) const {
  if (!FHasRoot || absoluteIndex < 0 || absoluteIndex > FObjectCount) return {};
  if (absoluteIndex == 0) return createIndex(0, 0, RootLevel);
  return createIndex(absoluteIndex - 1, 0, ChildLevel);
}

int TObjectTreeModel::absoluteIndex(const QModelIndex& index) {
  if (!index.isValid()) return -1;
  return index.internalId() == RootLevel ? 0 : index.row() + 1;
}

QModelIndex TObjectTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (!hasIndex(row, column, parent)) return {};
  return createIndex(row, column, parent.isValid() ? ChildLevel : RootLevel);
}

QModelIndex TObjectTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == RootLevel) return {};
  return createIndex(0, 0, RootLevel);
}

int TObjectTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return FHasRoot ? 1 : 0;
  if (parent.column() == 0 && parent.internalId() == RootLevel) return FObjectCount;
  return 0;
}

int TObjectTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant TObjectTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::DecorationRole)) return {};
  TItemData item;
  if (index.internalId() == RootLevel) {
    item.Caption = FRootCaption;
    item.ImageIndex = 0;
  } else if (FOnData) {
    FOnData(index.row(), item);
  }
  if (role == Qt::DisplayRole) return item.Caption;
  return FImages.image(item.ImageIndex);
}

Qt::ItemFlags TObjectTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.internalId() == ChildLevel) result |= Qt::ItemNeverHasChildren;
  return result;
}

TObjectListModel::TObjectListModel(const TImageList& images, QObject* parent)
    : QAbstractTableModel(parent), FImages(images) {}

void TObjectListModel::setRowCount(int count) {
  beginResetModel();
  FRowCount = count;
  endResetModel();
}

void TObjectListModel::setFileColumn(bool shown) {
  if (shown == FFileColumn) return;
  beginResetModel();
  FFileColumn = shown;
  endResetModel();
}

int TObjectListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : FRowCount;
}

int TObjectListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount + (FFileColumn ? 1 : 0);
}

QVariant TObjectListModel::cellValue(const QModelIndex& index, int role,
                                     const TItemData& item) const {
  switch (role) {
    case Qt::DisplayRole:
      return index.column() == colType ? item.Caption : item.SubItems[index.column() - 1];
    case Qt::DecorationRole:
      return index.column() == colType ? QVariant(FImages.image(item.ImageIndex)) : QVariant();
    case Qt::TextAlignmentRole:
      return index.column() == colID ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default: return {};
  }
}

QVariant TObjectListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return {};
  TItemData item;
  if (FOnData && (role == Qt::DisplayRole || role == Qt::DecorationRole))
    FOnData(index.row(), item);
  return cellValue(index, role, item);
}

// A delegate asks for many roles of one cell at once; the row is fetched once.
void TObjectListModel::multiData(const QModelIndex& index, QModelRoleDataSpan span) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
    for (QModelRoleData& roleData : span) roleData.clearData();
    return;
  }
  TItemData item;
  if (FOnData) FOnData(index.row(), item);
  for (QModelRoleData& roleData : span) roleData.setData(cellValue(index, roleData.role(), item));
}

QVariant TObjectListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) {
    static const char* const titles[] = {
        str::ColumnType,        str::ColumnID,   str::ColumnName, str::ColumnModified,
        str::ColumnVersionList, str::ColumnDate, str::ColumnTime, str::ColumnFile};
    return str::text(titles[section]);
  }
  if (role == Qt::TextAlignmentRole)
    return section == colID ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                            : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags TObjectListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
