// SPDX-License-Identifier: MIT
// The selection and the focus, as the form's handlers and features see them.
#include <algorithm>

#include "comparemode.h"
#include "finddialog.h"
#include "listsortproxy.h"
#include "mainform.h"
#include "objectfilterproxy.h"
#include "objectfolders.h"
#include "textpane.h"

// ---- Helpers for the handlers

bool TfrmMain::fileLoaded() const {
  if (FFolders && FFolders->folder()) return true;
  return FObjectTextFile && !FObjectTextFile->FileName().empty();
}

QWidget* TfrmMain::activeControl() const {
  QWidget* focus = focusWidget();
  // Keyboard use of the menu bar takes the focus for a while; the commands
  // still belong to the control that had it before.
  if (focus == ActionMainMenuBar1) return FLastFocus;
  return focus;
}

bool TfrmMain::isActiveControl(const QWidget* control) const {
  const QWidget* active = activeControl();
  return active && (active == control || control->isAncestorOf(active));
}

int TfrmMain::selectedNode() const {
  return TObjectTreeModel::absoluteIndex(tvwMain->selectionModel()->currentIndex());
}

int TfrmMain::selectedObject() const {
  const int node = selectedNode();
  return node > 0 ? node - 1 : -1;
}

void TfrmMain::selectNode(int absoluteIndex) {
  const QModelIndex node = FTreeModel->nodeIndex(absoluteIndex);
  if (!node.isValid()) return;
  tvwMain->selectionModel()->setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
  tvwMain->scrollTo(node);
}

void TfrmMain::selectObjectText(int objIndex, std::int32_t byteStart, std::int32_t byteLength) {
  selectObjectText(objIndex, byteStart, byteLength, TTextPlacement::tpVisible);
}

void TfrmMain::selectObjectText(int objIndex, std::int32_t byteStart, std::int32_t byteLength,
                                TTextPlacement placement) {
  const int node = objIndex + 1;
  if (!FTreeModel->nodeIndex(node).isValid()) return;
  const bool shown = !FTreeChangeTimer.isActive() && FShownNode == node && selectedNode() == node;
  selectNode(node);
  if (shown) {
    memMain->selectBytes(byteStart, byteLength);
    placeOffset(*memMain, byteStart, placement, dlgFind);
    return;
  }
  FPendingSelection = TPendingSelection{node, byteStart, byteLength, placement};
  // The node may be selected already while its text is not shown.
  if (!FTreeChangeTimer.isActive()) {
    FChangedNode = node;
    FTreeChangeTimer.start();
  }
}

bool TfrmMain::flushTreeChange() {
  if (!FTreeChangeTimer.isActive()) return false;
  FTreeChangeTimer.stop();
  tvwMainChange(FTreeModel->nodeIndex(FChangedNode));
  return true;
}

// The filter's rows while the list shows them; while comparing, the comparison's items.
int TfrmMain::listObjectIndex(int row) const {
  return lvwMain->model() == FListSort ? FListProxy->objectIndex(FListSort->sourceRow(row))
                                       : FCompareMode->itemIndex(row);
}

QList<int> TfrmMain::selectedRows() const {
  QList<int> rows;
  for (const QItemSelectionRange& range : lvwMain->selectionModel()->selection())
    for (int row = range.top(); row <= range.bottom(); ++row) rows << listObjectIndex(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}
