// SPDX-License-Identifier: MIT
// The form's construction: captions, actions and menus, the views and their models.
#include <QHeaderView>
#include <QMenu>

#include "errorguard.h"
#include "filterbox.h"
#include "mainform.h"
#include "objectfilterproxy.h"
#include "objectorder.h"
#include "oemcodepage.h"
#include "stringtable.h"

namespace {

constexpr int DesignedTreeWidth = 238;

// A main-menu item whose caption differs from its action's follows the
// action's state and runs it.
void linkMenuItem(QAction* item, QAction* source) {
  auto sync = [item, source] {
    item->setEnabled(source->isEnabled());
    item->setVisible(source->isVisible());
    item->setIcon(source->icon());
  };
  QObject::connect(source, &QAction::changed, item, sync);
  QObject::connect(item, &QAction::triggered, source, &QAction::trigger);
  sync();
}

}  // namespace

void TfrmMain::setupTexts() {
  using namespace str;
  mnuFile->setTitle(text(MenuFile));
  mnuEdit->setTitle(text(MenuEdit));
  mnuView->setTitle(text(MenuView));
  mnuHelp->setTitle(text(MenuHelp));

  struct {
    QAction* Action;
    const char* Caption;
    int Image;
  } const captions[] = {
      {actFileOpen, ActFileOpen, 1},
      {actFileClose, ActFileClose, -1},
      {actFileExportTreeView, ActFileExport, 4},
      {actFileExportListView, ActFileExport, 4},
      {actFileExit, ActFileExit, -1},
      {actEditCopyTreeView, ActEditCopy, 3},
      {actEditFind, ActEditFind, 0},
      {actEditSelectAllTreeView, ActEditSelectAll, -1},
      {actViewFontTreeView, ActViewFont, 2},
      {actViewFontMemo, ActViewFont, 2},
      {actHelpAbout, ActHelpAbout, -1},
      {mniFileExportListView, ItemFileExportListView, -1},
      {mniHelpAbout, ItemHelpAbout, -1},
  };
  for (const auto& c : captions) {
    c.Action->setText(text(c.Caption));
    c.Action->setIconText(text(c.Caption));
    if (c.Image >= 0) c.Action->setIcon(FImlToolbutton.image(c.Image));
  }
  // Ctrl+O is a secondary shortcut: it works, but the menu shows none.
  actFileOpen->setShortcuts({QKeySequence(), QKeySequence(Qt::CTRL | Qt::Key_O)});
  actEditCopyTreeView->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  actEditFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  actEditSelectAllTreeView->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
}

void TfrmMain::addWindowActions(std::initializer_list<TWindowAction> actions) {
  for (const TWindowAction& a : actions) {
    a.Action = new QAction(str::text(a.Caption), this);
    a.Action->setObjectName(QLatin1String(a.Name));
    a.Action->setShortcutContext(Qt::WindowShortcut);
    connect(a.Action, &QAction::triggered, this, [this, execute = a.Execute] { guarded(execute); });
    addAction(a.Action);
  }
}

void TfrmMain::setupActions() {
  struct {
    QAction* Action;
    void (TfrmMain::*Execute)();
  } const handlers[] = {
      {actFileOpen, &TfrmMain::actFileOpenExecute},
      {actFileClose, &TfrmMain::actFileCloseExecute},
      {actFileExportTreeView, &TfrmMain::actFileExportTreeViewExecute},
      {actFileExportListView, &TfrmMain::actFileExportListViewExecute},
      {actFileExit, &TfrmMain::actFileExitExecute},
      {actEditCopyTreeView, &TfrmMain::actEditCopyTreeViewExecute},
      {actEditFind, &TfrmMain::actEditFindExecute},
      {actEditSelectAllTreeView, &TfrmMain::actEditSelectAllTreeViewExecute},
      {actViewFontTreeView, &TfrmMain::actViewFontTreeViewExecute},
      {actViewFontMemo, &TfrmMain::actViewFontMemoExecute},
      {actHelpAbout, &TfrmMain::actHelpAboutExecute},
  };
  for (const auto& h : handlers) {
    h.Action->setShortcutContext(Qt::WindowShortcut);
    connect(h.Action, &QAction::triggered, this, [this, execute = h.Execute] { guarded(execute); });
    // Shortcuts reach the actions from anywhere in the window.
    addAction(h.Action);
  }
  linkMenuItem(mniFileExportListView, actFileExportListView);
  linkMenuItem(mniHelpAbout, actHelpAbout);

  FPumTreeView = new QMenu(this);
  FPumTreeView->setObjectName(QStringLiteral("pumTreeView"));
  FPumTreeView->addAction(actEditCopyTreeView);
  FPumTreeView->addAction(actFileExportTreeView);
  FPumMemo = new QMenu(this);
  FPumMemo->setObjectName(QStringLiteral("pumMemo"));
  FPumMemo->addAction(actEditCopyTreeView);
  FPumMemo->addAction(actEditSelectAllTreeView);
  FPumListView = new QMenu(this);
  FPumListView->setObjectName(QStringLiteral("pumListView"));
  FPumListView->addAction(actFileExportListView);

  QPalette menuPalette = ActionMainMenuBar1->palette();
  menuPalette.setColor(QPalette::Highlight, QColor(226, 225, 219));
  menuPalette.setColor(QPalette::HighlightedText, menuPalette.color(QPalette::WindowText));
  ActionMainMenuBar1->setPalette(menuPalette);
  for (QMenu* menu : {mnuFile, mnuEdit, mnuView, mnuHelp, FPumTreeView, FPumMemo, FPumListView}) {
    menu->setPalette(menuPalette);
    // A menu opened in the same pass of events as a change of focus or
    // selection must not show stale states.
    connect(menu, &QMenu::aboutToShow, this, &TfrmMain::updateActions);
  }
}

void TfrmMain::setupViews() {
  FTreeModel = new TObjectTreeModel(FImlTreeView, this);
  FTreeModel->setOnData([this](int index, TItemData& item) {
    if (!FObjectTextFile || index < 0 || index >= objectSet().GetCount()) return;
    const TObjectTextObject& object = objectSet().GetObject(index);
    item.Caption = oem::toQString(object.GetDisplayName());
    item.ImageIndex = int(object.ObjectType());
  });
  tvwMain->setModel(FTreeModel);
  // The widest captions are among the longest: a few dozen measured stand for all.
  tvwMain->setWidestNodes([this] {
    constexpr std::size_t Candidates = 40;
    std::vector<QPersistentModelIndex> nodes{FTreeModel->nodeIndex(0)};
    if (!FObjectTextFile) return nodes;
    for (const std::int32_t index : LongestDisplayNames(objectSet(), Candidates))
      nodes.push_back(FTreeModel->nodeIndex(index + 1));
    return nodes;
  });
  connect(tvwMain->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { treeSelectionChanged(current); });
  connect(FTreeModel, &QAbstractItemModel::modelAboutToBeReset, this, &TfrmMain::treeModelReset);
  connect(tvwMain, &TTreeView::mouseDown, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos) {
            runGuarded(FPrompts, this, [&] { tvwMainMouseDown(button, shift, pos); });
          });

  FListModel = new TObjectListModel(FImlTreeView, this);
  FListModel->setOnData([this](int index, TItemData& item) { lvwMainData(index, item); });
  FListProxy = new TObjectFilterProxy(this);
  FListProxy->setSourceModel(FListModel);
  lvwMain->setModel(FListProxy);
  FFilterBox = new TFilterBox(pnlRightPane);
  FFilterBox->placeAbove(lvwMain);
  connect(FFilterBox, &TFilterBox::filterChanged, this, [this](const auto& filter) {
    runGuarded(FPrompts, this, [&] { edtFilterChange(filter); });
  });
  connect(FFilterBox, &TFilterBox::filterError, this, &TfrmMain::setStatusText);
  QHeaderView* header = lvwMain->header();
  header->setSectionsMovable(false);
  header->setStretchLastSection(false);
  lvwMain->setOnDataFind([this](const QString& text, int start, bool wrap) {
    int row = -1;
    runGuarded(FPrompts, this, [&] { row = lvwMainDataFind(text, start, wrap); });
    return row;
  });
  connect(lvwMain, &TListView::dblClick, this, [this] { guarded(&TfrmMain::lvwMainDblClick); });

  memMain->setTabChangesFocus(true);

  const std::pair<QAbstractScrollArea*, QMenu*> popups[] = {
      {tvwMain, FPumTreeView}, {lvwMain, FPumListView}, {memMain, FPumMemo}};
  for (const auto& [view, menu] : popups) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, menu,
            [view, menu](QPoint pos) { menu->popup(view->viewport()->mapToGlobal(pos)); });
    // Files dropped on a view go to the window.
    view->setAcceptDrops(false);
    view->viewport()->setAcceptDrops(false);
  }

  splMain->setStretchFactor(0, 0);
  splMain->setStretchFactor(1, 1);
  splMain->setSizes({DesignedTreeWidth, width() - DesignedTreeWidth});
}
