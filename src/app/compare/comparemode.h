// SPDX-License-Identifier: MIT
// The window while the loaded file is compared with a second, older one: the
// second file held like the first, the list swapped for the comparison list,
// and the diff pane in the text pane's place for objects that differ.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "comparehost.h"
#include "comparison.h"
#include "objectfilter.h"

class QAbstractItemModel;
class TComparisonFilterProxy;
class TComparisonModel;
class TDiffPane;
class TListSortProxy;

class TCompareMode : public QObject {
 public:
  explicit TCompareMode(ICompareHost& form);
  ~TCompareMode() override;

  bool active() const { return FOldFile != nullptr; }
  // Ends a running comparison, loads fileName, a file or a folder, as the
  // old side and compares the window's set with it. A file that fails to load leaves the window
  // as it is without a comparison.
  void compareWith(const QString& fileName);
  void end();
  // "Comparing with base.txt: 3 added, 1 removed, 12 changed"
  QString statusText() const;

  const TComparison& comparison() const { return FComparison; }
  const TObjectSet* oldFile() const { return FOldFile; }
  TComparisonModel& model() const { return *FModel; }
  // The list's rows as the filter box leaves them.
  TComparisonFilterProxy& listProxy() const { return *FProxy; }
  // The comparison item of a list row (a row of the model).
  int itemIndex(int row) const;
  // Filters the comparison list while comparing; false otherwise.
  bool setFilter(std::shared_ptr<const TObjectFilter> filter);
  TDiffPane& diffPane() const { return *FDiffPane; }
  bool diffShown() const;

  // The window shows tree node absolute: true when the diff pane took the
  // text pane's place, false (and the diff pane hidden) otherwise.
  bool showNode(int absolute);
  // A list row was opened: true when it was a removed object, whose old text
  // the text pane now shows.
  bool showListRow(int row);
  // Copies the diff pane's selection, or all of it; false when it is hidden.
  bool copy();
  // Selects all of the diff pane when it has the focus, or the tree has it
  // and the pane is shown; false otherwise.
  bool selectAll(bool treeActive);
  // The list rows that stand for objects of the window's file: removed
  // objects belong to the old file and are left out.
  QList<int> exportableRows(QList<int> rows) const;

 private:
  void hideDiff();
  int compareRows(int left, int right, int column) const;

  ICompareHost& FForm;
  std::unique_ptr<TObjectSet> FOwnedOldFile;  // none when comparing the file with itself
  const TObjectSet* FOldFile = nullptr;
  TComparison FComparison;
  QString FOldName;
  TComparisonModel* FModel;
  TComparisonFilterProxy* FProxy;
  // The comparison list in the order of a column.
  TListSortProxy* FSort;
  // The filter box's options before the comparison added the status term.
  TFilterOptions FBoxOptions;
  TDiffPane* FDiffPane;
  // The list's model before the comparison took its place.
  QPointer<QAbstractItemModel> FListModel;
  int FListWidths[3] = {};
  bool FShowingRemoved = false;
};
