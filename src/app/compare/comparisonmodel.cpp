// SPDX-License-Identifier: MIT
#include "comparisonmodel.h"

#include "oemcodepage.h"
#include "stringtable.h"

TComparisonModel::TComparisonModel(const TImageList& images, QObject* parent)
    : QAbstractTableModel(parent), FImages(images) {}

void TComparisonModel::setComparison(const TObjectSet& oldFile, const TObjectSet& newFile,
                                     const TComparison& comparison) {
  beginResetModel();
  FOld = &oldFile;
  FNew = &newFile;
  FComparison = &comparison;
  endResetModel();
}

void TComparisonModel::clear() {
  beginResetModel();
  FOld = FNew = nullptr;
  FComparison = nullptr;
  endResetModel();
}

const TComparisonItem* TComparisonModel::item(int row) const {
  if (!FComparison || row < 0 || std::size_t(row) >= FComparison->Items.size()) return nullptr;
  return &FComparison->Items[std::size_t(row)];
}

const TObjectTextObject* TComparisonModel::object(int row) const {
  const TComparisonItem* pair = item(row);
  if (!pair) return nullptr;
  return pair->NewIndex >= 0 ? &FNew->GetObject(pair->NewIndex) : &FOld->GetObject(pair->OldIndex);
}

QString TComparisonModel::statusText(TComparisonStatus status) {
  switch (status) {
    case TComparisonStatus::csAdded: return str::text(str::StatusAdded);
    case TComparisonStatus::csRemoved: return str::text(str::StatusRemoved);
    case TComparisonStatus::csChanged: return str::text(str::StatusChanged);
    case TComparisonStatus::csPropertiesOnly: return str::text(str::StatusPropertiesOnly);
    case TComparisonStatus::csIdentical: break;
  }
  return {};
}

QColor TComparisonModel::tint(TComparisonStatus status) {
  switch (status) {
    case TComparisonStatus::csAdded: return QColor(214, 245, 214);
    case TComparisonStatus::csRemoved: return QColor(255, 221, 221);
    case TComparisonStatus::csChanged: return QColor(255, 240, 200);
    case TComparisonStatus::csPropertiesOnly: return QColor(235, 235, 245);
    case TComparisonStatus::csIdentical: break;
  }
  return {};
}

int TComparisonModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !FComparison ? 0 : int(FComparison->Items.size());
}

int TComparisonModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant TComparisonModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return {};
  const TComparisonItem* pair = item(index.row());
  if (!pair) return {};
  switch (role) {
    case Qt::DisplayRole: {
      const TObjectTextObject& shown = *object(index.row());
      switch (index.column()) {
        case colType: return str::typeName(shown.ObjectType());
        case colID: return QString::number(shown.ID());
        case colName: return oem::toQString(shown.Name());
        case colStatus: return statusText(pair->Status);
      }
      return {};
    }
    case Qt::DecorationRole:
      return index.column() == colType
                 ? QVariant(FImages.image(int(object(index.row())->ObjectType())))
                 : QVariant();
    case Qt::TextAlignmentRole:
      return index.column() == colID ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::BackgroundRole: {
      const QColor colour = tint(pair->Status);
      return colour.isValid() ? QVariant(colour) : QVariant();
    }
    default: return {};
  }
}

QVariant TComparisonModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) return {};
  if (role == Qt::DisplayRole) {
    static const char* const titles[] = {str::ColumnType, str::ColumnID, str::ColumnName,
                                         str::ColumnStatus};
    return str::text(titles[section]);
  }
  if (role == Qt::TextAlignmentRole)
    return section == colID ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                            : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags TComparisonModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
