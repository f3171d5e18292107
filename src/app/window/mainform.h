// SPDX-License-Identifier: MIT
// The main window: the object tree, the object list, the text pane, the
// actions and menus, and the life of the one loaded file.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>

#include "codereadinghost.h"
#include "comparehost.h"
#include "dateorderhost.h"
#include "findkeys.h"
#include "foldershost.h"
#include "mergehost.h"
#include "objecticons.h"
#include "objectmodels.h"
#include "reload.h"
#include "textplacement.h"
#include "ui_mainform.h"
#include "vexafile.h"

class QMenu;
class TCompareMode;
class TCodeReading;
class TFilterBox;
class TFindDialog;
class TLineCommands;
class TMergeMode;
class TListColumns;
class TListSorting;
class TListSortProxy;
class TRecentFilesMenu;
class TObjectFilter;
class TObjectFilterProxy;
class TObjectFolders;
class TPrompts;

// The controls, actions and menus of the form description are public members
// under their own names (tvwMain, lvwMain, memMain, stbMain, actFileOpen...).
// The features get the form through their narrow host interfaces.
class TfrmMain : public QMainWindow,
                 public Ui::TfrmMain,
                 public ICompareHost,
                 public ICodeReadingHost,
                 public IDateOrderHost,
                 public IFindKeysHost,
                 public IFoldersHost,
                 public IMergeHost,
                 public IReloadHost {
  Q_OBJECT

 public:
  // Creates the window and runs FormCreate with the command-line arguments
  // (the program name not included).
  TfrmMain(TPrompts& prompts, const QStringList& arguments, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The window's one file; empty while a folder is loaded.
  TObjectTextFile& objectTextFile() const { return *FObjectTextFile; }
  // The loaded set: the folder while one is loaded, else the window's file
  // (mainform_folders.cpp).
  const TObjectSet& objectSet() const override;
  QString loadedPath() const override;
  TObjectFolders* folders() const { return FFolders; }
  TPrompts& prompts() const override { return FPrompts; }
  TObjectTreeModel& treeModel() const override { return *FTreeModel; }
  TObjectListModel& listModel() const { return *FListModel; }
  // The list's rows as the filter box leaves them.
  TObjectFilterProxy& listProxy() const { return *FListProxy; }
  TFilterBox* filterBox() const override { return FFilterBox; }

  // Colouring, outline, go to object and where used.
  TCodeReading* codeReading() const { return FCodeReading; }
  // The list's order and widths, the line commands, Find Next and Previous,
  // the recent files and Reload (mainform_comfort.cpp).
  TListSorting* listSorting() const { return FListSorting; }
  TListColumns* listColumns() const { return FListColumns; }
  TLineCommands* lineCommands() const { return FLineCommands; }
  TFindKeys* findKeys() const { return FFindKeys; }
  TRecentFilesMenu* recentFiles() const { return FRecentFiles; }
  TReload* reload() const { return FReload; }

  // The modeless find dialog; lives as long as the window.
  TFindDialog* dlgFind = nullptr;

  // Document lifecycle.
  // Opens a file, or a folder as one set of objects.
  void OpenFile(const QString& fileName) override;
  void UpdateCaption();
  void RebuildTree();
  void UpdateStatusText();
  void FileProgress(TObjectTextFile& sender, TProgressKind kind, std::uint8_t percent);
  void WMDropFiles(const QList<QUrl>& urls);
  void LoadSettings();
  void SaveSettings();
  // "marlox.zup" beside the running executable, or in the user's
  // configuration directory when the program cannot keep it there.
  static std::string settingsFileName();

  // Navigator.
  void tvwMainChange(const QModelIndex& node) override;
  void tvwMainMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
  void lvwMainData(int index, TItemData& item);
  int lvwMainDataFind(const QString& text, int start, bool wrap);
  void lvwMainDblClick();
  void edtFilterChange(const std::shared_ptr<const TObjectFilter>& filter);

  // Find, export and clipboard.
  void dlgFindFind();

  // Action handlers.
  void actFileOpenExecute();
  void actFileCloseExecute();
  void actFileCloseUpdate();
  void actFileExportTreeViewExecute();
  void actFileExportTreeViewUpdate();
  void actFileExportListViewExecute();
  void actFileExportListViewUpdate();
  void actFileExitExecute();
  void actEditCopyTreeViewExecute();
  void actEditCopyTreeViewUpdate();
  void actEditFindExecute();
  void actEditFindUpdate();
  void actEditSelectAllTreeViewExecute();
  void actEditSelectAllTreeViewUpdate();
  void actViewFontTreeViewExecute();
  void actViewFontTreeViewUpdate();
  void actViewFontMemoExecute();
  void actViewFontMemoUpdate();
  void actHelpAboutExecute();

  // Comparison with a second file (mainform_compare.cpp).
  QAction* actFileCompareWith = nullptr;
  QAction* actFileEndComparison = nullptr;
  QAction* actViewNextChange = nullptr;
  QAction* actViewPreviousChange = nullptr;
  void actFileCompareWithExecute();
  void compareWith(const QString& path) override;
  void actFileCompareWithUpdate();
  void actFileEndComparisonExecute();
  void actFileEndComparisonUpdate();
  void actViewNextChangeExecute();
  void actViewNextChangeUpdate();
  void actViewPreviousChangeExecute();
  void actViewPreviousChangeUpdate();
  TCompareMode& compareMode() const { return *FCompareMode; }

  // Three-way merge (mainform_merge.cpp).
  QAction* actFileMerge = nullptr;
  QAction* actFileSaveMergeResult = nullptr;
  QAction* actFileEndMerge = nullptr;
  void actFileMergeExecute();
  void actFileSaveMergeResultExecute();
  void actFileEndMergeExecute();
  TMergeMode& mergeMode() const { return *FMergeMode; }

  // Runs every update handler; called whenever the application goes idle.
  void updateActions();

  // Helpers for the handlers that act on the selection.
  bool fileLoaded() const override;
  // The control with the keyboard focus in this window, or null.
  QWidget* activeControl() const;
  bool isActiveControl(const QWidget* control) const;
  // The tree's selected node as an absolute index (0 the root), or -1.
  int selectedNode() const;
  // The object of the tree's selected node, or -1 for the root or no node.
  int selectedObject() const override;
  // Selects one node (absolute index) and scrolls it into view; the panes
  // follow after the change delay.
  void selectNode(int absoluteIndex) override;
  // Selects object objIndex in the tree and, once the text pane holds its
  // text, selects byteLength bytes from byteStart in it. When the object is
  // shown already and no change is waiting, the bytes are selected at once.
  void selectObjectText(int objIndex, std::int32_t byteStart, std::int32_t byteLength) override;
  // As above, the selection then placed in the pane as placement says.
  void selectObjectText(int objIndex, std::int32_t byteStart, std::int32_t byteLength,
                        TTextPlacement placement) override;
  // Selects the rows of objects in the list, the first of them current.
  void selectListObjects(const QList<int>& objects) override;
  // Runs a waiting delayed tree change now; false when none was waiting.
  bool flushTreeChange();
  bool treeChangePending() const { return FTreeChangeTimer.isActive(); }
  // The node whose panes are shown (0 the list, i + 1 object i), or -1.
  int shownNode() const override { return FShownNode; }
  // The objects of the selected list rows in ascending order.
  QList<int> selectedRows() const override;
  int listObjectIndex(int row) const;
  QString statusText() const;
  QMenu* pumTreeView() const { return FPumTreeView; }
  QMenu* pumMemo() const { return FPumMemo; }
  QMenu* pumListView() const { return FPumListView; }
  const TImageList& imlTreeView() const override { return FImlTreeView; }
  const TImageList& imlToolbutton() const { return FImlToolbutton; }

  // The rest of the host interfaces: the controls under the features' names.
  QWidget& hostWindow() override { return *this; }
  QWidget* rightPane() const override { return pnlRightPane; }
  QGridLayout* rightPaneLayout() const override { return layRightPane; }
  TTextPane* textPane() const override { return memMain; }
  QWidget* workArea() const override { return splMain; }
  QTreeView* objectList() const override { return lvwMain; }
  QTreeView* objectTree() const override { return tvwMain; }
  QMenu* editMenu() const override { return mnuEdit; }
  QMenu* viewMenu() const override { return mnuView; }
  void showStatusMessage(const QString& text) override { stbMain->showMessage(text); }
  std::string settingsFile() const override { return settingsFileName(); }
  bool findTextGiven() const override;
  void openFindDialog() override;
  void findAgain(bool backward) override;
  void reopenFile(const QString& fileName) override;
  void releaseFile() override;

  // Tree change delay in milliseconds.
  static constexpr int TreeChangeDelay = 50;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void FormCreate(const QStringList& arguments);
  void FormDestroy();
  void setupTexts();
  void setupActions();
  void setupViews();
  struct TWindowAction {
    QAction*& Action;
    const char* Name;
    const char* Caption;
    void (TfrmMain::*Execute)();
  };
  // Makes each action under its object name and caption, for the whole
  // window, its handler run guarded.
  void addWindowActions(std::initializer_list<TWindowAction> actions);
  void setupCompare();
  void setupMerge();
  void setupComfort();
  void setupFolders();
  // The folder's or the file's name, for the tree's root and the caption.
  QString loadedName() const;
  // The list over the set loaded now, with a File column for a folder.
  void showLoadedSet();
  void updateComfortActions();
  TDateOrder listDateOrder() const;
  void findText(bool backward);
  QString exportFolder() const;
  void keepExportFolder(const QString& folder);
  void updateCompareActions();
  void updateMergeActions();
  void guarded(void (TfrmMain::*handler)());
  void setStatusText(const QString& text);
  void showLoadProgress(const QString& text);
  void clearViewsAfterFailedLoad();
  void treeSelectionChanged(const QModelIndex& current);
  void treeModelReset();
  bool shortcutRunsAction(const QKeyEvent& key) const;
  void exportObject(int objIndex);
  void exportObjects(const QList<int>& rows);
  // Keeps the search text and option that Find Next hands over, for the
  // settings file; a text the code page cannot hold keeps the last one.
  void rememberFindRequest();

  struct TPendingSelection {
    int Node;
    std::int32_t Start;
    std::int32_t Length;
    TTextPlacement Placement;
  };

  TPrompts& FPrompts;
  std::unique_ptr<TObjectTextFile> FObjectTextFile;
  TImageList FImlTreeView;
  TImageList FImlToolbutton;
  TObjectTreeModel* FTreeModel = nullptr;
  TObjectListModel* FListModel = nullptr;
  TObjectFilterProxy* FListProxy = nullptr;
  TFilterBox* FFilterBox = nullptr;
  QMenu* FPumTreeView = nullptr;
  QMenu* FPumMemo = nullptr;
  QMenu* FPumListView = nullptr;
  QTimer FTreeChangeTimer;
  // When the status bar was last painted during a load.
  QElapsedTimer FProgressPainted;
  int FChangedNode = -1;
  int FShownNode = -1;
  std::optional<TPendingSelection> FPendingSelection;
  QPointer<QWidget> FLastFocus;
  std::string FFindText;
  bool FMatchCase = false;
  TCompareMode* FCompareMode = nullptr;
  TMergeMode* FMergeMode = nullptr;
  TCodeReading* FCodeReading = nullptr;
  TListSortProxy* FListSort = nullptr;
  TListSorting* FListSorting = nullptr;
  TListColumns* FListColumns = nullptr;
  TFindKeys* FFindKeys = nullptr;
  TLineCommands* FLineCommands = nullptr;
  TRecentFilesMenu* FRecentFiles = nullptr;
  TReload* FReload = nullptr;
  TObjectFolders* FFolders = nullptr;
  bool FReopening = false;  // a reload: the list keeps its order
};
