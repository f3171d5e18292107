// SPDX-License-Identifier: MIT
#include "mainform.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "apptitle.h"
#include "busycursor.h"
#include "codereading.h"
#include "comparemode.h"
#include "corepath.h"
#include "dateordermenu.h"
#include "errorguard.h"
#include "exporter.h"
#include "filterbox.h"
#include "finddialog.h"
#include "fontfaces.h"
#include "listsorting.h"
#include "menukeys.h"
#include "mergemode.h"
#include "objectfilterproxy.h"
#include "objectfolders.h"
#include "oemcodepage.h"
#include "prompts.h"
#include "recentfilesmenu.h"
#include "stringtable.h"

namespace {

void toLowerAscii(std::string& text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
}

// Files are offered as a copy, never a move: no drag source may delete a
// file because it was dropped here.
void acceptFileDrag(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); })) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  }
}

}  // namespace

TfrmMain::TfrmMain(TPrompts& prompts, const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent),
      FPrompts(prompts),
      FImlTreeView(makeTreeViewImages()),
      FImlToolbutton(makeToolbuttonImages()) {
  setupUi(this);
  setWindowIcon(applicationIcon());
  setupTexts();
  setupActions();
  setupViews();
  setupCompare();
  setupFolders();
  setupMerge();
  // Made before FormCreate, which gives it the stored search.
  dlgFind = new TFindDialog(this);
  dlgFind->setObjectName(QStringLiteral("dlgFind"));
  connect(dlgFind, &TFindDialog::Find, this, [this] { guarded(&TfrmMain::dlgFindFind); });

  FTreeChangeTimer.setSingleShot(true);
  FTreeChangeTimer.setInterval(TreeChangeDelay);
  connect(&FTreeChangeTimer, &QTimer::timeout, this, [this] {
    runGuarded(FPrompts, this, [this] { tvwMainChange(FTreeModel->nodeIndex(FChangedNode)); });
  });
  // The action states are recomputed whenever the application goes idle.
  connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
          &TfrmMain::updateActions);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now && now != ActionMainMenuBar1 && now->window() == this) FLastFocus = now;
  });
  qApp->installEventFilter(this);
  new TMenuKeys(this, ActionMainMenuBar1);
  FCodeReading = new TCodeReading(*this);
  new TDateOrderMenu(*this);
  setupComfort();

  FormCreate(arguments);
}

TfrmMain::~TfrmMain() {
  FormDestroy();
}

void TfrmMain::FormCreate(const QStringList& arguments) {
  guarded(&TfrmMain::LoadSettings);
  FObjectTextFile = std::make_unique<TObjectTextFile>();
  FListProxy->setObjectFile(FObjectTextFile.get());
  FObjectTextFile->SetOnProgress(
      [this](TObjectTextFile& sender, TProgressKind kind, std::uint8_t percent) {
        FileProgress(sender, kind, percent);
      });
  if (!arguments.isEmpty()) {
    // The window is on screen while the file loads, captioned with the
    // application's title until the load names it.
    UpdateCaption();
    show();
    const QString fileName = arguments.first();
    runGuarded(FPrompts, this, [&] { OpenFile(fileName); });
  } else {
    UpdateCaption();
    UpdateStatusText();
  }
  setAcceptDrops(true);
}

void TfrmMain::FormDestroy() {
  FTreeChangeTimer.stop();
  guarded(&TfrmMain::SaveSettings);
  qApp->removeEventFilter(this);
  disconnect(QAbstractEventDispatcher::instance(), nullptr, this, nullptr);
  FListProxy->setObjectFile(nullptr);
  FObjectTextFile.reset();
}

void TfrmMain::guarded(void (TfrmMain::*handler)()) {
  runGuarded(FPrompts, this, [this, handler] { (this->*handler)(); });
}

// ---- Document lifecycle

void TfrmMain::OpenFile(const QString& fileName) {
  FCompareMode->end();
  // The merge may read the file that is about to go.
  FMergeMode->end();
  setStatusText(str::text(str::ReadingFile));
  TBusyCursor busy;
  QCoreApplication::processEvents();
  try {
    // The file stays while a folder replaces whatever was loaded.
    FListProxy->setObjectFile(FObjectTextFile.get());
    if (!FFolders->loadIfFolder(fileName)) FObjectTextFile->LoadFromFile(corePath(fileName));
  } catch (...) {
    clearViewsAfterFailedLoad();
    throw;
  }
  showLoadedSet();
  RebuildTree();
  UpdateCaption();
  selectNode(0);
  // Another file starts in file order; a reload keeps the order chosen.
  if (!FReopening) FListSorting->fileOrder();
  FListModel->setRowCount(objectSet().GetCount());
  lvwMain->viewport()->update();
  // A folder's load reports no progress; its count is shown once it is read.
  if (FFolders->folder()) {
    UpdateStatusText();
    setStatusText(FFolders->loadNotice(statusText()));
  }
  FRecentFiles->fileOpened(fileName);
}

// A failed load may have released the file or replaced part of its entries;
// nothing may be shown from them any more.
void TfrmMain::clearViewsAfterFailedLoad() {
  FObjectTextFile->Clear();
  FFolders->clear();
  showLoadedSet();
  memMain->clearBytes();
  FListModel->setRowCount(0);
  FTreeModel->clear();
  // The caption follows the model, which no longer holds a file.
  UpdateCaption();
}

void TfrmMain::UpdateCaption() {
  QString title = str::text(str::AppTitle);
  if (fileLoaded()) title = str::format(str::CaptionFormat, loadedName(), title);
  setApplicationTitle(title);
  setWindowTitle(title);
}

void TfrmMain::RebuildTree() {
  tvwMain->setUpdatesEnabled(false);
  struct TEndUpdate {
    QWidget* Tree;
    ~TEndUpdate() { Tree->setUpdatesEnabled(true); }
  } endUpdate{tvwMain};
  TBusyCursor busy;
  if (!fileLoaded()) {
    FTreeModel->clear();
    return;
  }
  const int count = objectSet().GetCount();
  FTreeModel->rebuild(loadedName(), count);
  selectNode(0);
  if (count > 0) tvwMain->expand(FTreeModel->nodeIndex(0));
}

void TfrmMain::UpdateStatusText() {
  const int count = objectSet().GetCount();
  if (FListProxy->filterActive() && (fileLoaded() || count > 0))
    setStatusText(QString::asprintf(str::FilteredCountFormat, FListProxy->matchingCount(), count));
  else
    setStatusText(str::format(str::ObjectCountFormat, count));
}

void TfrmMain::FileProgress(TObjectTextFile&, TProgressKind kind, std::uint8_t percent) {
  switch (kind) {
    case TProgressKind::pkStart: FProgressPainted.start(); break;
    case TProgressKind::pkProgress:
      showLoadProgress(str::format(str::ProcessingFormat, int(percent)));
      break;
    case TProgressKind::pkDone: UpdateStatusText(); break;
  }
}

void TfrmMain::setStatusText(const QString& text) {
  stbMain->showMessage(text);
  // A load handles no events until it ends; the status bar is its sign of life.
  stbMain->repaint();
}

// Every percent reaches the status bar, but it is painted only every few
// hundredths of a second: painting it after each percent made a large load
// take half as long again, for changes no one could read.
void TfrmMain::showLoadProgress(const QString& text) {
  constexpr qint64 PaintInterval = 50;  // ms
  stbMain->showMessage(text);
  if (FProgressPainted.isValid() && FProgressPainted.elapsed() < PaintInterval) return;
  stbMain->repaint();
  FProgressPainted.start();
}

QString TfrmMain::statusText() const {
  return stbMain->currentMessage();
}

void TfrmMain::WMDropFiles(const QList<QUrl>& urls) {
  for (const QUrl& url : urls) {
    if (url.isLocalFile()) {
      OpenFile(url.toLocalFile());
      return;
    }
  }
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
  acceptFileDrag(event);
}

void TfrmMain::dragMoveEvent(QDragMoveEvent* event) {
  acceptFileDrag(event);
}

void TfrmMain::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  event->setDropAction(Qt::CopyAction);
  event->accept();
  runGuarded(FPrompts, this, [&] { WMDropFiles(urls); });
}

void TfrmMain::actFileOpenExecute() {
  if (auto fileName =
          FPrompts.OpenFileNameAt(this, str::text(str::FileFilter), FRecentFiles->lastFile()))
    OpenFile(*fileName);
}

void TfrmMain::actFileCloseExecute() {
  FCompareMode->end();
  FMergeMode->end();
  FObjectTextFile->Clear();
  FFolders->clear();
  showLoadedSet();
  memMain->clearBytes();
  FListModel->setRowCount(0);
  lvwMain->clearSelection();
  RebuildTree();
  UpdateCaption();
  UpdateStatusText();
}

void TfrmMain::actFileCloseUpdate() {
  actFileClose->setEnabled(fileLoaded());
}

void TfrmMain::actFileExitExecute() {
  close();
}

// ---- Navigator

void TfrmMain::treeSelectionChanged(const QModelIndex& current) {
  FChangedNode = TObjectTreeModel::absoluteIndex(current);
  if (FChangedNode < 0)
    FTreeChangeTimer.stop();
  else
    FTreeChangeTimer.start();
}

void TfrmMain::treeModelReset() {
  FTreeChangeTimer.stop();
  FChangedNode = -1;
  FShownNode = -1;
  FPendingSelection.reset();
}

void TfrmMain::tvwMainChange(const QModelIndex& node) {
  const int absolute = TObjectTreeModel::absoluteIndex(node);
  if (absolute < 0) return;
  const auto pending = std::exchange(FPendingSelection, std::nullopt);
  FShownNode = -1;
  if (FCompareMode->showNode(absolute)) {
    FShownNode = absolute;
    return;
  }
  if (absolute == 0) {
    memMain->hide();
    lvwMain->show();
    FShownNode = 0;
    return;
  }
  memMain->show();
  lvwMain->hide();
  memMain->setBytes(objectSet().GetObject(absolute - 1).GetText());
  FShownNode = absolute;
  if (pending && pending->Node == absolute) {
    memMain->selectBytes(pending->Start, pending->Length);
    placeOffset(*memMain, pending->Start, pending->Placement, dlgFind);
  }
}

void TfrmMain::tvwMainMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, QPoint pos) {
  const QModelIndex node = tvwMain->indexAt(pos);
  if (node.isValid())
    tvwMain->selectionModel()->setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
}

void TfrmMain::lvwMainData(int index, TItemData& item) {
  if (!FObjectTextFile || index < 0 || index >= objectSet().GetCount()) return;
  const TObjectTextObject& object = objectSet().GetObject(index);
  item.Caption = str::typeName(object.ObjectType());
  item.SubItems[0] = QString::number(object.ID());
  item.SubItems[1] = oem::toQString(object.Name());
  if (object.Modified()) item.SubItems[2] = str::text(str::ModifiedYes);
  item.SubItems[3] = oem::toQString(object.VersionList());
  item.SubItems[4] = oem::toQString(object.Date());
  item.SubItems[5] = oem::toQString(object.Time());
  if (FFolders->folder()) item.SubItems[6] = FFolders->relativePath(index);
  item.ImageIndex = int(object.ObjectType());
}

int TfrmMain::lvwMainDataFind(const QString& text, int start, bool wrap) {
  std::optional<std::string> key = oem::fromQString(text);
  if (!key) return -1;
  toLowerAscii(*key);
  const TObjectSet& set = objectSet();
  const int count = std::min(lvwMain->model()->rowCount(), set.GetCount());
  auto matches = [&](int row) {
    // A comparison's removed objects, last in its list, are not the file's.
    if (listObjectIndex(row) >= set.GetCount()) return false;
    std::string caption = set.GetObject(listObjectIndex(row)).GetDisplayName();
    if (caption.size() > key->size()) caption.resize(key->size());
    toLowerAscii(caption);
    return caption == *key;
  };
  for (int row = std::max(start, 0); row < count; ++row)
    if (matches(row)) return row;
  if (wrap && start > 0)
    for (int row = 0; row < std::min(start, count); ++row)
      if (matches(row)) return row;
  return -1;
}

void TfrmMain::edtFilterChange(const std::shared_ptr<const TObjectFilter>& filter) {
  if (FCompareMode->setFilter(filter)) return setStatusText(FCompareMode->statusText());
  FListProxy->setObjectFilter(filter);
  if (FObjectTextFile) UpdateStatusText();
}

void TfrmMain::lvwMainDblClick() {
  const QList<int> rows = selectedRows();
  if (rows.isEmpty() || FCompareMode->showListRow(rows.first())) return;
  selectNode(rows.first() + 1);
}

// ---- Actions

void TfrmMain::updateActions() {
  actFileCloseUpdate();
  actFileExportTreeViewUpdate();
  actFileExportListViewUpdate();
  actEditCopyTreeViewUpdate();
  actEditFindUpdate();
  actEditSelectAllTreeViewUpdate();
  actViewFontTreeViewUpdate();
  actViewFontMemoUpdate();
  updateCompareActions();
  updateMergeActions();
  if (FCodeReading) FCodeReading->updateActions();
  updateComfortActions();
}

void TfrmMain::actFileExportTreeViewUpdate() {
  const bool treeActive = isActiveControl(tvwMain);
  const bool enabled = treeActive && FTreeModel->rowCount() > 0 && selectedNode() > 0;
  actFileExportTreeView->setEnabled(enabled);
  actFileExportTreeView->setVisible(treeActive);
}

void TfrmMain::actFileExportListViewUpdate() {
  actFileExportListView->setEnabled(lvwMain->selectionModel()->hasSelection());
  actFileExportListView->setVisible(isActiveControl(lvwMain));
}

void TfrmMain::actEditCopyTreeViewUpdate() {
  actEditCopyTreeView->setEnabled(selectedNode() > 0 || FMergeMode->active());
}

void TfrmMain::actEditFindUpdate() {
  // Find acts on the tree and the panes, which a merge hides.
  actEditFind->setEnabled(fileLoaded() && !FMergeMode->active());
}

void TfrmMain::actEditSelectAllTreeViewUpdate() {
  actEditSelectAllTreeView->setEnabled(fileLoaded() || FMergeMode->active());
}

void TfrmMain::actViewFontTreeViewUpdate() {
  actViewFontTreeView->setVisible(isActiveControl(lvwMain) || isActiveControl(tvwMain));
}

void TfrmMain::actViewFontMemoUpdate() {
  actViewFontMemo->setVisible(isActiveControl(memMain));
}

// ---- Find

void TfrmMain::actEditFindExecute() {
  dlgFind->ShowOrRaise();
}

void TfrmMain::dlgFindFind() {
  findText(false);
}

// ---- Export and clipboard

void TfrmMain::actFileExportTreeViewExecute() {
  const int objIndex = selectedObject();
  if (objIndex >= 0) exportObject(objIndex);
}

void TfrmMain::actFileExportListViewExecute() {
  const QList<int> rows = FCompareMode->exportableRows(selectedRows());
  if (rows.size() == 1)
    exportObject(rows.first());
  else if (rows.size() > 1)
    exportObjects(rows);
}

void TfrmMain::exportObject(int objIndex) {
  const TObjectTextObject& object = objectSet().GetObject(objIndex);
  const std::optional<QString> fileName =
      FPrompts.SaveFileName(this, str::text(str::ExportTitle), str::text(str::FileFilter),
                            fromCorePath(object.GetExportFileName()));
  if (fileName) SaveObject(objectSet(), object, corePath(*fileName));
}

void TfrmMain::exportObjects(const QList<int>& rows) {
  const std::optional<QString> directory = FPrompts.ChooseDirectory(this, exportFolder());
  if (!directory) return;
  keepExportFolder(*directory);
  ExportObjects(objectSet(), std::vector<std::int32_t>(rows.begin(), rows.end()),
                corePath(*directory), [this](const std::string& target) {
                  return FPrompts.AskOverwrite(this, fromCorePath(target));
                });
}

// The box that has the focus (the filter or the outline box) takes the Edit
// keys, as it would without the window's shortcuts.
static QLineEdit* focusedBox() {
  return qobject_cast<QLineEdit*>(QApplication::focusWidget());
}

void TfrmMain::actEditCopyTreeViewExecute() {
  if (QLineEdit* box = focusedBox()) return box->copy();
  if (FMergeMode->copy() || FCompareMode->copy()) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) throw std::runtime_error(str::ClipboardError);
  const std::string bytes = memMain->selLength() != 0 ? memMain->selectedBytes() : memMain->bytes();
  clipboard->setText(oem::toQString(bytes));
}

void TfrmMain::actEditSelectAllTreeViewExecute() {
  if (QLineEdit* box = focusedBox()) return box->selectAll();
  if (FMergeMode->selectAll() || FCompareMode->selectAll(isActiveControl(tvwMain))) return;
  if (isActiveControl(lvwMain)) {
    lvwMain->selectAll();
  } else if (isActiveControl(memMain)) {
    memMain->selectAll();
  } else if (isActiveControl(tvwMain)) {
    const int node = selectedNode();
    if (node == 0)
      lvwMain->selectAll();
    else if (node > 0)
      memMain->selectAll();
  }
}

void TfrmMain::actViewFontTreeViewExecute() {
  const std::optional<QFont> font = chooseFont(FPrompts, this, tvwMain->font());
  if (!font) return;
  tvwMain->setFont(*font);
  lvwMain->setFont(*font);
}

void TfrmMain::actViewFontMemoExecute() {
  if (const std::optional<QFont> font = chooseFont(FPrompts, this, memMain->font()))
    memMain->setFont(*font);
}

// ---- Events

bool TfrmMain::event(QEvent* event) {
  // The status bar's one line belongs to the program, not to menu hovering.
  if (event->type() == QEvent::StatusTip) return true;
  return QMainWindow::event(event);
}

// A shortcut runs its action when the action, updated first, is enabled,
// even where the focused control has a use of its own for the key; otherwise
// the key goes on to that control.
bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (widget->window() != this) return false;
  updateActions();
  if (!shortcutRunsAction(*static_cast<QKeyEvent*>(event))) return false;
  event->ignore();
  return true;
}

bool TfrmMain::shortcutRunsAction(const QKeyEvent& key) const {
  const QKeySequence pressed(
      QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key())));
  for (const QAction* action : actions()) {
    if (!action->isEnabled()) continue;
    for (const QKeySequence& shortcut : action->shortcuts())
      if (!shortcut.isEmpty() && shortcut.matches(pressed) == QKeySequence::ExactMatch) return true;
  }
  return false;
}
