// SPDX-License-Identifier: MIT
// What the window shows while merging: the list of the merge's objects,
// the result of the chosen one, and below it its current conflict with the
// three versions side by side and a button for each choice.
#pragma once

#include <QWidget>

#include "mergeresult.h"

class QLabel;
class QPushButton;
class QTreeView;
class TTextPane;

class TMergeView : public QWidget {
 public:
  explicit TMergeView(QWidget* parent);

  QTreeView* lvwMerge;
  TTextPane* memMerge;  // the chosen object's result
  QWidget* pnlConflict;
  QLabel* lblConflict;  // "Conflict 1 of 3"
  QPushButton* btnPrevious;
  QPushButton* btnNext;
  // ORIGINAL, MODIFIED, TARGET: the lines of the conflict on each side.
  TTextPane* memSide[3];
  // By TConflictChoice: ORIGINAL, MODIFIED, TARGET, both.
  QPushButton* btnTake[4];

  // Every text in font.
  void setTextFont(const QFont& font);
};
