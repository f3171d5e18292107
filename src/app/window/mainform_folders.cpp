// SPDX-License-Identifier: MIT
// The form's side of folders of object files: which set is loaded, and the
// folder commands in the File menu.
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>

#include "corepath.h"
#include "mainform.h"
#include "objectfilterproxy.h"
#include "objectfolders.h"

namespace {

constexpr int FileColumnWidth = 200;

}  // namespace

void TfrmMain::setupFolders() {
  FFolders = new TObjectFolders(*this);
  mnuFile->insertAction(actFileClose, FFolders->actFileOpenFolder);
  mnuFile->insertAction(actFileEndComparison, FFolders->actFileCompareWithFolder);
  mnuFile->insertAction(actFileExportTreeView, FFolders->actFileSaveAsOneFile);
  // The File column comes back at its width, also after a comparison's list.
  connect(lvwMain->header(), &QHeaderView::sectionCountChanged, this, [this](int, int count) {
    if (count > TObjectListModel::colFile)
      lvwMain->header()->resizeSection(TObjectListModel::colFile, FileColumnWidth);
  });
}

const TObjectSet& TfrmMain::objectSet() const {
  if (FFolders && FFolders->folder()) return *FFolders->folder();
  return *FObjectTextFile;
}

QString TfrmMain::loadedPath() const {
  if (FFolders->folder()) return FFolders->folderPath();
  return fromCorePath(FObjectTextFile->FileName());
}

QString TfrmMain::loadedName() const {
  if (FFolders->folder()) return FFolders->folderName();
  return QFileInfo(loadedPath()).fileName();
}

void TfrmMain::releaseFile() {
  FObjectTextFile->Clear();
  if (const vexa::ExclusiveFile* stream = FObjectTextFile->Stream()) stream->Release();
}

void TfrmMain::showLoadedSet() {
  FListProxy->setObjectFile(&objectSet());
  FListModel->setFileColumn(FFolders->folder() != nullptr);
}
