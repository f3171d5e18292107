// SPDX-License-Identifier: MIT
// The object list's column widths: Type, ID and Name as designed, the
// property columns wide enough for what they hold in the list's font, and
// whatever the user sized by hand, which the settings file keeps once the
// user has sized a column.
#pragma once

#include <QObject>
#include <vector>

class QAbstractItemModel;
class QTreeView;
class TIniProfile;

class TListColumns : public QObject {
 public:
  // designed: the widths of the columns as designed, one per column. Resets of
  // rows keep the widths: rows is the model whose resets reach the view.
  TListColumns(QTreeView& view, QAbstractItemModel& rows, std::vector<int> designed);

  // Applies the stored widths over the designed ones, the property columns
  // fitted to the view's font. Columns the user never sized follow a change
  // of that font later.
  void load(const TIniProfile& profile);
  // Writes the widths once the user sized a column, in this run or before.
  void save(TIniProfile& profile) const;

  // What a column holds at its widest, for the fitted widths.
  int fittedWidth(int column) const;
  bool userSized() const { return FUserSized; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void apply();
  void sectionResized(int column, int oldSize, int newSize);

  QTreeView& FView;
  std::vector<int> FDesigned;
  std::vector<int> FWidths;   // what the columns show now
  std::vector<bool> FByHand;  // sized by the user, now or in an earlier run
  bool FUserSized = false;    // the settings file keeps the widths
  bool FSizing = false;       // a mouse button is down on the header
  bool FApplying = false;
};
