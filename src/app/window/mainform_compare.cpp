// SPDX-License-Identifier: MIT
// The window's commands of a comparison with a second file or a folder.
#include <QMenu>

#include "comparemode.h"
#include "diffpane.h"
#include "mainform.h"
#include "prompts.h"
#include "stringtable.h"

void TfrmMain::setupCompare() {
  FCompareMode = new TCompareMode(*this);
  addWindowActions({
      {actFileCompareWith, "actFileCompareWith", str::ActFileCompareWith,
       &TfrmMain::actFileCompareWithExecute},
      {actFileEndComparison, "actFileEndComparison", str::ActFileEndComparison,
       &TfrmMain::actFileEndComparisonExecute},
      {actViewNextChange, "actViewNextChange", str::ActViewNextChange,
       &TfrmMain::actViewNextChangeExecute},
      {actViewPreviousChange, "actViewPreviousChange", str::ActViewPreviousChange,
       &TfrmMain::actViewPreviousChangeExecute},
  });
  actViewNextChange->setShortcut(QKeySequence(Qt::Key_F8));
  actViewPreviousChange->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8));
  mnuFile->insertActions(actFileExportTreeView, {actFileCompareWith, actFileEndComparison});
  mnuView->addActions({actViewNextChange, actViewPreviousChange});
  // The diff pane offers what the text pane's popup menu does.
  TDiffPane* pane = &FCompareMode->diffPane();
  pane->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(pane, &QWidget::customContextMenuRequested, this,
          [this, pane](QPoint pos) { FPumMemo->popup(pane->viewport()->mapToGlobal(pos)); });
}

void TfrmMain::updateCompareActions() {
  actFileCompareWithUpdate();
  actFileEndComparisonUpdate();
  actViewNextChangeUpdate();
  actViewPreviousChangeUpdate();
}

void TfrmMain::actFileCompareWithExecute() {
  const std::optional<QString> fileName = FPrompts.OpenFileName(this, str::text(str::FileFilter));
  if (fileName) compareWith(*fileName);
}

void TfrmMain::compareWith(const QString& path) {
  setStatusText(str::text(str::ReadingFile));
  try {
    FCompareMode->compareWith(path);
  } catch (...) {
    UpdateStatusText();
    throw;
  }
  setStatusText(FCompareMode->statusText());
}

void TfrmMain::actFileCompareWithUpdate() {
  actFileCompareWith->setEnabled(fileLoaded());
}

void TfrmMain::actFileEndComparisonExecute() {
  // Ending reapplies the filter box, which puts the count or its error in the status bar.
  FCompareMode->end();
}

void TfrmMain::actFileEndComparisonUpdate() {
  actFileEndComparison->setEnabled(FCompareMode->active());
}

void TfrmMain::actViewNextChangeExecute() {
  if (!FCompareMode->diffPane().nextChange()) FPrompts.Beep();
}

void TfrmMain::actViewNextChangeUpdate() {
  actViewNextChange->setEnabled(FCompareMode->diffShown());
  actViewNextChange->setVisible(FCompareMode->active());
}

void TfrmMain::actViewPreviousChangeExecute() {
  if (!FCompareMode->diffPane().previousChange()) FPrompts.Beep();
}

void TfrmMain::actViewPreviousChangeUpdate() {
  actViewPreviousChange->setEnabled(FCompareMode->diffShown());
  actViewPreviousChange->setVisible(FCompareMode->active());
}
