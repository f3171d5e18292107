// SPDX-License-Identifier: MIT
// The window's commands of a three-way merge.
#include <QMenu>

#include "mainform.h"
#include "mergemode.h"
#include "prompts.h"
#include "stringtable.h"

void TfrmMain::setupMerge() {
  FMergeMode = new TMergeMode(*this);
  addWindowActions({
      {actFileMerge, "actFileMerge", str::ActFileMerge, &TfrmMain::actFileMergeExecute},
      {actFileSaveMergeResult, "actFileSaveMergeResult", str::ActFileSaveMergeResult,
       &TfrmMain::actFileSaveMergeResultExecute},
      {actFileEndMerge, "actFileEndMerge", str::ActFileEndMerge, &TfrmMain::actFileEndMergeExecute},
  });
  mnuFile->insertActions(actFileExportTreeView,
                         {actFileMerge, actFileSaveMergeResult, actFileEndMerge});
}

void TfrmMain::updateMergeActions() {
  actFileSaveMergeResult->setEnabled(FMergeMode->active());
  actFileEndMerge->setEnabled(FMergeMode->active());
}

void TfrmMain::actFileMergeExecute() {
  const std::optional<QStringList> paths = FPrompts.AskMergeInputs(this);
  if (!paths) return;
  setStatusText(str::text(str::MergingFiles));
  try {
    FMergeMode->start(*paths);
  } catch (...) {
    UpdateStatusText();
    throw;
  }
  setStatusText(FMergeMode->statusText());
}

void TfrmMain::actFileSaveMergeResultExecute() {
  if (const std::optional<QString> fileName =
          FPrompts.SaveFileName(this, str::text(str::SaveMergeTitle), str::text(str::FileFilter),
                                FMergeMode->proposedName()))
    FMergeMode->save(*fileName);
}

void TfrmMain::actFileEndMergeExecute() {
  FMergeMode->end();
  UpdateStatusText();
}
