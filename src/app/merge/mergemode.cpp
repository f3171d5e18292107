// SPDX-License-Identifier: MIT
#include "mergemode.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTreeView>
#include <filesystem>
#include <stdexcept>

#include "busycursor.h"
#include "corepath.h"
#include "errors.h"
#include "mergelistmodel.h"
#include "mergeview.h"
#include "objectfolder.h"
#include "oemcodepage.h"
#include "osfile.h"
#include "stringtable.h"
#include "textpane.h"
#include "textplacement.h"

namespace {

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec);
}

TDateOrder dateOrderOf(const TObjectSet& set) {
  if (const auto* folder = dynamic_cast<const TObjectFolder*>(&set)) return folder->DateOrder();
  return static_cast<const TObjectTextFile&>(set).DateOrder();
}

}  // namespace

TMergeMode::TMergeMode(IMergeHost& host)
    : QObject(&host.hostWindow()),
      FHost(host),
      FModel(new TMergeListModel(host.imlTreeView(), this)),
      FView(new TMergeView(host.workArea()->parentWidget())) {
  FView->hide();
  FView->lvwMerge->setModel(FModel);
  connect(FView->lvwMerge->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { showRow(current.row()); });
  connect(FView->btnPrevious, &QPushButton::clicked, this, [this] { showConflict(FConflict - 1); });
  connect(FView->btnNext, &QPushButton::clicked, this, [this] { showConflict(FConflict + 1); });
  for (int choice = 0; choice < 4; ++choice)
    connect(FView->btnTake[choice], &QPushButton::clicked, this,
            [this, choice] { resolve(merge::TConflictChoice(choice)); });
}

TMergeMode::~TMergeMode() = default;

void TMergeMode::start(const QStringList& paths) {
  end();
  TBusyCursor busy;
  // A file is held exclusively: one named twice, or the one the window
  // holds, is read through the one open file.
  std::vector<std::unique_ptr<TObjectSet>> files;
  const TObjectSet* sides[3] = {};
  const TObjectTextFile& held = FHost.objectTextFile();
  for (int i = 0; i < 3; ++i) {
    const std::string path = corePath(paths.value(i));
    for (int j = 0; j < i && !sides[i]; ++j)
      if (sameFile(path, corePath(paths[j]))) sides[i] = sides[j];
    if (!sides[i] && held.Stream() && sameFile(path, held.Stream()->FullName())) sides[i] = &held;
    if (sides[i]) continue;
    files.push_back(LoadObjectSet(path));
    sides[i] = files.back().get();
  }
  merge::TMergeOptions options;
  options.ModifiedDates = dateOrderOf(*sides[1]);
  options.TargetDates = dateOrderOf(*sides[2]);
  FResult = std::make_unique<merge::TMergeResult>(*sides[0], *sides[1], *sides[2], options);
  FFiles = std::move(files);
  FPaths = paths;

  FModel->setResult(FResult.get());
  QHeaderView* header = FView->lvwMerge->header();
  header->resizeSection(TMergeListModel::colType, 80);
  header->resizeSection(TMergeListModel::colID, 50);
  header->resizeSection(TMergeListModel::colName, 130);
  header->resizeSection(TMergeListModel::colStatus, 130);
  FView->setTextFont(FHost.textPane()->font());
  QWidget* area = FHost.workArea();
  area->parentWidget()->layout()->replaceWidget(area, FView);
  area->hide();
  FView->show();
  FView->lvwMerge->setFocus();
  if (FModel->rowCount() > 0)
    FView->lvwMerge->setCurrentIndex(FModel->index(0, 0));
  else
    showRow(-1);
}

void TMergeMode::end() {
  if (!active()) return;
  QWidget* area = FHost.workArea();
  FView->parentWidget()->layout()->replaceWidget(FView, area);
  FView->hide();
  area->show();
  FItem = -1;
  FModel->setResult(nullptr);
  FView->memMerge->clearBytes();
  for (TTextPane* side : FView->memSide) side->clearBytes();
  FResult.reset();
  FFiles.clear();
  FPaths.clear();
}

QString TMergeMode::statusText() const {
  if (!FResult) return {};
  return str::format(str::MergingFormat,
                     QString::fromStdString(merge::MergeSummaryText(FResult->Counts())));
}

void TMergeMode::save(const QString& fileName) {
  if (!FResult) return;
  const std::string path = corePath(fileName);
  bool refused = false;
  for (const QString& input : FPaths) refused = refused || sameFile(path, corePath(input));
  // A file inside a folder being merged is an input too.
  for (const auto& set : FFiles) refused = refused || set->Reads(path);
  if (refused) throw VexaError(str::format(str::MergeInputRefusedFormat, fileName).toStdString());
  // The loaded file is guarded too: the window reads it.
  vexa::WriteFileReplacing(
      path, [this](std::ostream& stream) { FResult->Write(stream); },
      FHost.objectTextFile().Stream());
  FHost.showStatusMessage(str::format(str::MergeSavedFormat, fileName));
}

QString TMergeMode::proposedName() const {
  const QString name = str::text(str::MergeResultName);
  return FPaths.size() == 3 ? QFileInfo(FPaths[2]).dir().filePath(name) : name;
}

TTextPane& TMergeMode::activePane() const {
  for (TTextPane* side : FView->memSide)
    if (side->hasFocus()) return *side;
  return *FView->memMerge;
}

bool TMergeMode::copy() {
  if (!active()) return false;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) throw std::runtime_error(str::ClipboardError);
  const TTextPane& pane = activePane();
  clipboard->setText(oem::toQString(pane.selLength() != 0 ? pane.selectedBytes() : pane.bytes()));
  return true;
}

bool TMergeMode::selectAll() {
  if (!active()) return false;
  activePane().selectAll();
  return true;
}

void TMergeMode::showRow(int row) {
  FItem = FModel->itemIndex(row);
  FConflict = 0;
  refresh();
}

bool TMergeMode::showConflict(int index) {
  if (FItem < 0 || index < 0 || index >= FResult->Items()[std::size_t(FItem)].Conflicts)
    return false;
  FConflict = index;
  refresh();
  return true;
}

void TMergeMode::resolve(merge::TConflictChoice choice) {
  if (FItem < 0) return;
  FResult->Resolve(std::size_t(FItem), std::size_t(FConflict), choice);
  FModel->itemChanged(FItem);
  refresh();
  FHost.showStatusMessage(statusText());
}

void TMergeMode::refresh() {
  if (FItem < 0) {
    FView->memMerge->clearBytes();
    FView->pnlConflict->hide();
    return;
  }
  const std::size_t item = std::size_t(FItem);
  FView->memMerge->setBytes(FResult->Text(item));
  const std::vector<merge::TConflictBlock> blocks = FResult->Conflicts(item);
  FView->pnlConflict->setVisible(!blocks.empty());
  if (blocks.empty()) return;
  FConflict = std::min(FConflict, int(blocks.size()) - 1);
  const merge::TConflictBlock& block = blocks[std::size_t(FConflict)];
  FView->lblConflict->setText(
      QString::asprintf(str::ConflictOfFormat, FConflict + 1, int(blocks.size())));
  FView->memSide[0]->setBytes(std::string(block.Original));
  FView->memSide[1]->setBytes(std::string(block.Modified));
  FView->memSide[2]->setBytes(std::string(block.Target));
  FView->btnPrevious->setEnabled(FConflict > 0);
  FView->btnNext->setEnabled(FConflict + 1 < int(blocks.size()));
  // The conflict stands selected in the result, near the top.
  FView->memMerge->selectBytes(std::int32_t(block.Begin), std::int32_t(block.End - block.Begin));
  placeOffset(*FView->memMerge, std::int32_t(block.Begin), TTextPlacement::tpNearTop);
}
