// SPDX-License-Identifier: MIT
// The results of Where Used: one row per reference (object, line number,
// the line's text). Double-click or Enter asks to show the reference.
#pragma once

#include <QDialog>
#include <vector>

#include "objectreferences.h"

class QTreeWidget;

class TWhereUsedView : public QDialog {
  Q_OBJECT
 public:
  explicit TWhereUsedView(QWidget* parent = nullptr);

  void setUses(const QString& title, const TObjectSet& file, std::vector<cal::TObjectUse> uses);
  const std::vector<cal::TObjectUse>& uses() const { return FUses; }
  QTreeWidget* lvwWhereUsed = nullptr;

  // Runs the search with a progress dialog that Escape cancels; false when
  // cancelled.
  static bool search(QWidget* parent, const TObjectSet& file, int target,
                     std::vector<cal::TObjectUse>& uses);

 signals:
  void showUse(int objIndex, std::int32_t start, std::int32_t length);

 private:
  std::vector<cal::TObjectUse> FUses;
};
