// SPDX-License-Identifier: MIT
// The form's side of the list's order and column widths, Find Next and
// Previous, the line commands, the recent files and Reload.
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QSet>
#include <iterator>

#include "busycursor.h"
#include "comparemode.h"
#include "corepath.h"
#include "filterbox.h"
#include "finddialog.h"
#include "findkeys.h"
#include "findprevious.h"
#include "linecommands.h"
#include "listcolumns.h"
#include "listsorting.h"
#include "listsortproxy.h"
#include "mainform.h"
#include "objectfilterproxy.h"
#include "objectfolders.h"
#include "objectorder.h"
#include "oemcodepage.h"
#include "prompts.h"
#include "recentfiles.h"
#include "recentfilesmenu.h"
#include "reload.h"
#include "textpane.h"

namespace {

constexpr int ListColumnWidths[] = {108, 108, 215, 60, 160, 70, 70};

// The action in menu after action, or null at its end.
QAction* actionAfter(const QMenu& menu, const QAction* action) {
  const QList<QAction*> actions = menu.actions();
  const qsizetype at = actions.indexOf(action);
  return at >= 0 && at + 1 < actions.size() ? actions[at + 1] : nullptr;
}

}  // namespace

void TfrmMain::setupComfort() {
  FListSort = new TListSortProxy(this);
  FListSort->setSourceModel(FListProxy);
  FListSort->setCompare(
      [this](int left, int right, int column) {
        const int a = FListProxy->objectIndex(left);
        const int b = FListProxy->objectIndex(right);
        if (column == TObjectListModel::colFile) return FFolders->compareFiles(a, b);
        return CompareObjects(objectSet().GetObject(a), objectSet().GetObject(b),
                              TObjectColumn(column), listDateOrder());
      },
      [this](int row, int column) {
        const int object = FListProxy->objectIndex(row);
        return object >= 0 && object < objectSet().GetCount() &&
               (column == TObjectListModel::colFile ||
                HasColumnValue(objectSet().GetObject(object), TObjectColumn(column),
                               listDateOrder()));
      });
  lvwMain->setModel(FListSort);
  FListSorting = new TListSorting(*lvwMain);
  FListColumns =
      new TListColumns(*lvwMain, *FListModel,
                       std::vector<int>(std::begin(ListColumnWidths), std::end(ListColumnWidths)));

  FFindKeys = new TFindKeys(*this);
  mnuEdit->insertActions(actionAfter(*mnuEdit, actEditFind),
                         {FFindKeys->actEditFindNext, FFindKeys->actEditFindPrevious});
  FLineCommands = new TLineCommands(*memMain, *stbMain, FPrompts, *this, settingsFileName());
  mnuEdit->addAction(FLineCommands->actEditGoToLine);
  mnuView->addSeparator();
  mnuView->addAction(FLineCommands->actViewLineNumbers);
  mnuView->addAction(FListSorting->actViewFileOrder);
  addAction(FListSorting->actViewFileOrder);

  FReload = new TReload(*this);
  mnuFile->insertAction(actFileClose, FReload->actFileReload);
  FRecentFiles = new TRecentFilesMenu(*mnuFile, actFileExit, FPrompts, *this, settingsFileName(),
                                      [this](const QString& fileName) { OpenFile(fileName); });
}

void TfrmMain::updateComfortActions() {
  if (!FFindKeys) return;
  FFindKeys->updateActions();
  FLineCommands->actEditGoToLineUpdate();
  FListSorting->actViewFileOrderUpdate();
  FReload->actFileReloadUpdate();
  FFolders->updateActions();
}

TDateOrder TfrmMain::listDateOrder() const {
  const TObjectFolder* folder = FFolders->folder();
  return FFilterBox->filterOptions().DateOrder.value_or(folder ? folder->DateOrder()
                                                               : FObjectTextFile->DateOrder());
}

// ---- Find Next and Find Previous

bool TfrmMain::findTextGiven() const {
  return !dlgFind->FindText().isEmpty();
}

void TfrmMain::openFindDialog() {
  actEditFindExecute();
}

void TfrmMain::findAgain(bool backward) {
  findText(backward);
}

// A search goes on from the selection: forwards after it, backwards before it.
void TfrmMain::findText(bool backward) {
  TBusyCursor busy;
  rememberFindRequest();
  const int node = selectedNode();
  // A character the code page has no byte for occurs in no file.
  const std::optional<std::string> text = oem::fromQString(dlgFind->FindText());
  if (node < 0 || !text) {
    FPrompts.Beep();
    return;
  }
  std::int32_t start = memMain->selStart();
  std::int32_t length = memMain->selLength();
  // A match found a moment ago may still wait for its object's text to be
  // shown; the next search goes on from that match, not the old text's selection.
  if (FPendingSelection && FPendingSelection->Node == node && FTreeChangeTimer.isActive()) {
    start = FPendingSelection->Start;
    length = FPendingSelection->Length;
  }
  std::int32_t objIndex = node > 0 ? node - 1 : 0;
  std::int32_t pos = start + length + 1;
  bool found = false;
  if (backward) {
    // From the file node, backwards means from the end of the last object.
    objIndex = node > 0 ? node - 1 : objectSet().GetCount();
    pos = node > 0 ? start + 1 : 0;
    found = FindPreviousText(objectSet(), objIndex, pos, *text, dlgFind->MatchCase());
  } else if (const TObjectFolder* folder = FFolders->folder()) {
    found = folder->FindText(objIndex, pos, *text, dlgFind->MatchCase());
  } else {
    found = FObjectTextFile->FindText(objIndex, pos, *text, dlgFind->MatchCase());
  }
  if (found)
    selectObjectText(objIndex, pos - 1, std::int32_t(text->size()), TTextPlacement::tpMiddle);
  else
    FPrompts.Beep();
}

// ---- Reload and the places a file opens from

void TfrmMain::reopenFile(const QString& fileName) {
  FReopening = true;
  struct TDone {
    bool& Flag;
    ~TDone() { Flag = false; }
  } done{FReopening};
  OpenFile(fileName);
}

void TfrmMain::selectListObjects(const QList<int>& objects) {
  lvwMain->clearSelection();
  const QSet<int> wanted(objects.begin(), objects.end());
  QAbstractItemModel* model = lvwMain->model();
  QItemSelection selection;
  QModelIndex first;
  for (int row = 0; row < model->rowCount() && !wanted.isEmpty(); ++row) {
    if (!wanted.contains(listObjectIndex(row))) continue;
    const QModelIndex index = model->index(row, 0);
    selection.select(index, index);
    if (!first.isValid()) first = index;
  }
  if (!first.isValid()) return;
  lvwMain->selectionModel()->select(selection,
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  lvwMain->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
  lvwMain->scrollTo(first);
}

// Where the directory chooser starts: the folder of the last multiple export.
QString TfrmMain::exportFolder() const {
  const std::string stored = ReadExportFolder(TIniProfile(settingsFileName()));
  return QDir::toNativeSeparators(stored.empty() ? QDir::rootPath() : fromCorePath(stored));
}

void TfrmMain::keepExportFolder(const QString& folder) {
  TIniProfile profile(settingsFileName());
  WriteExportFolder(profile, corePath(folder));
}
