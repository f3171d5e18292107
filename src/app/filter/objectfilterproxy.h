// SPDX-License-Identifier: MIT
// The object list as the filter leaves it: a view over the list model's rows
// whose objects match, in file order.
#pragma once

#include <QSortFilterProxyModel>
#include <memory>

#include "objectfilter.h"

class TObjectFilterProxy : public QSortFilterProxyModel {
 public:
  explicit TObjectFilterProxy(QObject* parent = nullptr);

  // Row i of the source model is object i of file.
  void setObjectFile(const TObjectSet* file) { FFile = file; }
  // An empty filter shows every row.
  void setObjectFilter(std::shared_ptr<const TObjectFilter> filter);
  const TObjectFilter* objectFilter() const { return FFilter.get(); }
  bool filterActive() const { return FFilter && !FFilter->Empty(); }

  // The object shown in a row of this model, or -1.
  int objectIndex(int row) const;
  // How many objects of the file match now, as the status bar counts them;
  // asks the file itself, so it holds also while the rows are being rebuilt.
  int matchingCount() const;

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  const TObjectSet* FFile = nullptr;
  std::shared_ptr<const TObjectFilter> FFilter;
};
