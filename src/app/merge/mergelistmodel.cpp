// SPDX-License-Identifier: MIT
#include "mergelistmodel.h"

#include <QColor>

#include "oemcodepage.h"
#include "stringtable.h"

using merge::TMergeStatus;

TMergeListModel::TMergeListModel(const TImageList& images, QObject* parent)
    : QAbstractTableModel(parent), FImages(images) {}

void TMergeListModel::setResult(const merge::TMergeResult* result) {
  beginResetModel();
  FResult = result;
  FItems.clear();
  FRows.clear();
  if (result) {
    const std::size_t count = result->Items().size();
    for (int pass = 0; pass < 2; ++pass)
      for (std::size_t i = 0; i < count; ++i)
        if ((result->Items()[i].Status == TMergeStatus::msConflict) == (pass == 0))
          FItems.push_back(int(i));
    FRows.resize(count);
    for (std::size_t row = 0; row < count; ++row) FRows[std::size_t(FItems[row])] = int(row);
  }
  endResetModel();
}

int TMergeListModel::itemIndex(int row) const {
  return row >= 0 && std::size_t(row) < FItems.size() ? FItems[std::size_t(row)] : -1;
}

int TMergeListModel::rowOf(int item) const {
  return item >= 0 && std::size_t(item) < FRows.size() ? FRows[std::size_t(item)] : -1;
}

void TMergeListModel::itemChanged(int item) {
  const int row = rowOf(item);
  if (row >= 0) emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int TMergeListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(FItems.size());
}

int TMergeListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant TMergeListModel::data(const QModelIndex& index, int role) const {
  if (!FResult ||
      !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return {};
  const std::size_t item = std::size_t(FItems[std::size_t(index.row())]);
  const TObjectTextObject& object = FResult->Object(item);
  const TMergeStatus status = FResult->Items()[item].Status;
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case colType: return str::typeName(object.ObjectType());
        case colID: return QString::number(object.ID());
        case colName: return oem::toQString(object.Name());
        case colStatus: {
          const std::string_view name = merge::MergeStatusName(status);
          return QString::fromLatin1(name.data(), qsizetype(name.size()));
        }
      }
      return {};
    case Qt::DecorationRole:
      return index.column() == colType ? QVariant(FImages.image(int(object.ObjectType())))
                                       : QVariant();
    case Qt::TextAlignmentRole:
      return index.column() == colID ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::BackgroundRole:
      if (status == TMergeStatus::msConflict) return QColor(255, 221, 221);
      return {};
    default: return {};
  }
}

QVariant TMergeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount ||
      role != Qt::DisplayRole)
    return {};
  static const char* const titles[] = {str::ColumnType, str::ColumnID, str::ColumnName,
                                       str::ColumnStatus};
  return str::text(titles[section]);
}

Qt::ItemFlags TMergeListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
