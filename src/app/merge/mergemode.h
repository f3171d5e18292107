// SPDX-License-Identifier: MIT
// The window while three files are merged: the files held, the result held
// in memory and edited only by the choices made for its conflicts, and the
// merge view in the place of the tree and the panes. The loaded files are
// never changed.
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

#include "mergehost.h"
#include "mergeresult.h"

class TMergeListModel;
class TMergeView;
class TTextPane;

class TMergeMode : public QObject {
 public:
  explicit TMergeMode(IMergeHost& host);
  ~TMergeMode() override;

  bool active() const { return FResult != nullptr; }
  // Ends a running merge, loads ORIGINAL, MODIFIED and TARGET (each a file
  // or a folder of object files) and shows their merge. A file that fails to load leaves the window
  // as it was.
  void start(const QStringList& paths);
  // The window as it was before the merge; the result is dropped.
  void end();
  // "Merging: 2 merged, 1 conflict, ..."
  QString statusText() const;
  // Writes the whole result into fileName; one of the inputs or the loaded
  // file is refused before anything is written.
  void save(const QString& fileName);
  // "merged.txt" beside TARGET.
  QString proposedName() const;
  // Copies the selection of the merge's text pane that has the focus (the
  // result's when none has), or all of it; false when not merging.
  bool copy();
  // Selects all of that pane; false when not merging.
  bool selectAll();

  const merge::TMergeResult* result() const { return FResult.get(); }
  TMergeListModel& model() const { return *FModel; }
  TMergeView& view() const { return *FView; }
  // The item shown, or -1; its conflict on view (0-based).
  int shownItem() const { return FItem; }
  int shownConflict() const { return FConflict; }

  // Shows the object of a list row, at its first conflict.
  void showRow(int row);
  // Shows conflict index of the shown object; false when it has none such.
  bool showConflict(int index);
  // Resolves the conflict on view by choice; the next one, if any, follows.
  void resolve(merge::TConflictChoice choice);

 private:
  void refresh();
  TTextPane& activePane() const;

  IMergeHost& FHost;
  std::vector<std::unique_ptr<TObjectSet>> FFiles;  // those the window does not hold
  QStringList FPaths;
  std::unique_ptr<merge::TMergeResult> FResult;
  TMergeListModel* FModel;
  TMergeView* FView;
  int FItem = -1;
  int FConflict = 0;
};
