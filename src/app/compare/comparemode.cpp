// SPDX-License-Identifier: MIT
#include "comparemode.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeView>
#include <stdexcept>

#include "busycursor.h"
#include "comparisonfilterproxy.h"
#include "comparisonmodel.h"
#include "corepath.h"
#include "diffpane.h"
#include "filterbox.h"
#include "listsorting.h"
#include "listsortproxy.h"
#include "objectfolder.h"
#include "objectmodels.h"
#include "objectorder.h"
#include "oemcodepage.h"
#include "sidebyside.h"
#include "stringtable.h"
#include "textpane.h"

namespace {

constexpr int StatusColumnWidth = 108;

}  // namespace

TCompareMode::TCompareMode(ICompareHost& form)
    : QObject(&form.hostWindow()),
      FForm(form),
      FModel(new TComparisonModel(form.imlTreeView(), this)),
      FProxy(new TComparisonFilterProxy(this)),
      FSort(new TListSortProxy(this)),
      FDiffPane(new TDiffPane(form.rightPane())) {
  FDiffPane->setObjectName(QStringLiteral("dpnMain"));
  FDiffPane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FDiffPane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FDiffPane->setTabChangesFocus(true);
  FDiffPane->hide();
  FProxy->setSourceModel(FModel);
  FSort->setSourceModel(FProxy);
  FSort->setCompare(
      [this](int left, int right, int column) { return compareRows(left, right, column); },
      nullptr);
  // The diff pane takes the text pane's cell, wherever the layout put it.
  QGridLayout* grid = form.rightPaneLayout();
  int row = 0, column = 0, rows = 1, columns = 1;
  grid->getItemPosition(grid->indexOf(form.textPane()), &row, &column, &rows, &columns);
  grid->addWidget(FDiffPane, row, column, rows, columns);
}

TCompareMode::~TCompareMode() = default;

void TCompareMode::compareWith(const QString& fileName) {
  end();
  TBusyCursor busy;
  const TObjectSet& held = FForm.objectSet();
  const std::string path = corePath(fileName);
  // The window's own file cannot be opened a second time: compared with
  // itself, it is read twice through the one open file. A folder's files
  // are not held, so a folder or one of its files loads again.
  if (dynamic_cast<const TObjectTextFile*>(&held) && !IsObjectFolder(path) && held.Reads(path)) {
    FComparison = CompareFiles(held, held);
    FOldFile = &held;
  } else if (const auto* heldFile = dynamic_cast<const TObjectTextFile*>(&held);
             heldFile && !IsObjectFolder(path)) {
    // Where the other file holds the window's bytes at the same offsets, its
    // load finds them equal, so those pairs are not read again.
    auto oldFile = std::make_unique<TObjectTextFile>();
    TSameBytes same(*heldFile, *oldFile);
    LoadBesideLoaded(*oldFile, same, [&] { oldFile->LoadFromFile(path); });
    FComparison = CompareFiles(*oldFile, held, {}, &same);
    FOwnedOldFile = std::move(oldFile);
    FOldFile = FOwnedOldFile.get();
  } else {
    std::unique_ptr<TObjectSet> oldSet = LoadObjectSet(path);
    FComparison = CompareFiles(*oldSet, held);
    FOwnedOldFile = std::move(oldSet);
    FOldFile = FOwnedOldFile.get();
  }
  FOldName = QFileInfo(QDir::cleanPath(fileName)).fileName();

  QHeaderView* header = FForm.objectList()->header();
  for (int i = 0; i < 3; ++i) FListWidths[i] = header->sectionSize(i);
  FListModel = FForm.objectList()->model();
  FModel->setComparison(*FOldFile, FForm.objectSet(), FComparison);
  FProxy->setComparison(FOldFile, &FForm.objectSet(), &FComparison);
  // The box's text filters the comparison too, and may ask for a status now;
  // while it cannot be read, its last valid filter holds.
  TFilterBox* box = FForm.filterBox();
  FBoxOptions = box->filterOptions();
  box->setFilterOptions(FProxy->filterOptions(FBoxOptions));
  FProxy->setObjectFilter(box->filter());
  box->applyFilter();
  // A new comparison starts in its own order.
  FSort->unsort();
  FForm.objectList()->setModel(FSort);
  TListSorting::showOrderOf(*FForm.objectList());
  for (int i = 0; i < 3; ++i) header->resizeSection(i, FListWidths[i]);
  header->resizeSection(TComparisonModel::colStatus, StatusColumnWidth);
  // An object on view now shows what differs in it.
  if (FForm.shownNode() > 0) FForm.tvwMainChange(FForm.treeModel().nodeIndex(FForm.shownNode()));
}

void TCompareMode::end() {
  if (!active()) return;
  const bool diffWasShown = diffShown();
  hideDiff();
  if (FListModel) {
    FForm.objectList()->setModel(FListModel);
    TListSorting::showOrderOf(*FForm.objectList());
    for (int i = 0; i < 3; ++i) FForm.objectList()->header()->resizeSection(i, FListWidths[i]);
  }
  FProxy->setComparison(nullptr, nullptr, nullptr);
  FProxy->setObjectFilter(nullptr);
  FModel->clear();
  FComparison = {};
  FOldFile = nullptr;
  FOwnedOldFile.reset();
  // The normal list takes the box's text again; a status term is an error there.
  // A date order chosen meanwhile stays.
  FBoxOptions.DateOrder = FForm.filterBox()->filterOptions().DateOrder;
  FForm.filterBox()->setFilterOptions(FBoxOptions);
  FForm.filterBox()->applyFilter();
  if (FShowingRemoved) {
    // The old file is gone; its text must not stay on view.
    FShowingRemoved = false;
    FForm.textPane()->clearBytes();
    FForm.selectNode(0);
  } else if (diffWasShown && FForm.shownNode() > 0) {
    FForm.tvwMainChange(FForm.treeModel().nodeIndex(FForm.shownNode()));
  }
}

QString TCompareMode::statusText() const {
  const TComparisonCounts& c = FComparison.Counts;
  std::string counts = GroupedNumber(c.Added) + " added, " + GroupedNumber(c.Removed) +
                       " removed, " + GroupedNumber(c.Changed) + " changed";
  if (c.PropertiesOnly > 0) counts += ", " + GroupedNumber(c.PropertiesOnly) + " properties only";
  return str::format(str::ComparingFormat, FOldName, QString::fromStdString(counts));
}

int TCompareMode::itemIndex(int row) const {
  return FProxy->itemIndex(FSort->sourceRow(row));
}

bool TCompareMode::setFilter(std::shared_ptr<const TObjectFilter> filter) {
  if (!active()) return false;
  FProxy->setObjectFilter(std::move(filter));
  return true;
}

bool TCompareMode::diffShown() const {
  return !FDiffPane->isHidden();
}

void TCompareMode::hideDiff() {
  if (FDiffPane->isHidden()) return;
  FDiffPane->hide();
  FDiffPane->clearDiff();
}

bool TCompareMode::showNode(int absolute) {
  FShowingRemoved = false;
  const TComparisonItem* item = active() && absolute > 0 ? FModel->item(absolute - 1) : nullptr;
  if (!item || (item->Status != TComparisonStatus::csChanged &&
                item->Status != TComparisonStatus::csPropertiesOnly)) {
    hideDiff();
    return false;
  }
  const std::string oldText = FOldFile->GetObject(item->OldIndex).GetText();
  const std::string newText = FForm.objectSet().GetObject(item->NewIndex).GetText();
  // The diff reads like the text pane, in the font chosen for it.
  if (FDiffPane->font() != FForm.textPane()->font()) FDiffPane->setFont(FForm.textPane()->font());
  FDiffPane->setDiff(oldText, newText);
  FForm.textPane()->hide();
  FForm.objectList()->hide();
  FDiffPane->show();
  return true;
}

bool TCompareMode::showListRow(int row) {
  const TComparisonItem* item = active() ? FModel->item(row) : nullptr;
  if (!item || item->Status != TComparisonStatus::csRemoved) return false;
  FForm.textPane()->setBytes(FOldFile->GetObject(item->OldIndex).GetText());
  hideDiff();
  FForm.objectList()->hide();
  FForm.textPane()->show();
  // No tree node stands for a removed object; choosing the root again
  // brings the list back.
  FForm.objectTree()->selectionModel()->clear();
  FShowingRemoved = true;
  return true;
}

bool TCompareMode::selectAll(bool treeActive) {
  if (!diffShown() || !(treeActive || FDiffPane->hasFocus())) return false;
  FDiffPane->selectAll();
  return true;
}

QList<int> TCompareMode::exportableRows(QList<int> rows) const {
  if (active()) rows.removeIf([this](int row) { return row >= FForm.objectSet().GetCount(); });
  return rows;
}

bool TCompareMode::copy() {
  if (!diffShown()) return false;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) throw std::runtime_error(str::ClipboardError);
  clipboard->setText(oem::toQString(FDiffPane->selLength() != 0 ? FDiffPane->selectedBytes()
                                                                : FDiffPane->bytes()));
  return true;
}

// Rows of the filter proxy: the pairs' objects by the object columns, the
// status by its text.
int TCompareMode::compareRows(int left, int right, int column) const {
  const int a = FProxy->itemIndex(left);
  const int b = FProxy->itemIndex(right);
  if (column == TComparisonModel::colStatus)
    return QString::compare(TComparisonModel::statusText(FModel->item(a)->Status),
                            TComparisonModel::statusText(FModel->item(b)->Status));
  return CompareObjects(*FModel->object(a), *FModel->object(b), TObjectColumn(column),
                        TDateOrder::doDayMonth);
}
