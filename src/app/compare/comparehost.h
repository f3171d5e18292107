// SPDX-License-Identifier: MIT
// What the comparison needs of the window it runs in: the loaded file, the
// controls whose place it takes, and the tree's shown node. The main form
// implements it; the comparison sees nothing else of the form.
#pragma once

class QGridLayout;
class QModelIndex;
class QTreeView;
class QWidget;
class TFilterBox;
class TImageList;
class TObjectSet;
class TObjectTreeModel;
class TTextPane;

class ICompareHost {
 public:
  virtual ~ICompareHost() = default;

  // The window, parent of what the comparison creates.
  virtual QWidget& hostWindow() = 0;
  // The pane right of the tree and its grid, where the diff pane goes.
  virtual QWidget* rightPane() const = 0;
  virtual QGridLayout* rightPaneLayout() const = 0;
  virtual TTextPane* textPane() const = 0;
  virtual QTreeView* objectList() const = 0;
  virtual QTreeView* objectTree() const = 0;
  virtual TFilterBox* filterBox() const = 0;
  virtual const TImageList& imlTreeView() const = 0;

  virtual const TObjectSet& objectSet() const = 0;
  virtual TObjectTreeModel& treeModel() const = 0;
  // The node whose panes are shown (0 the list, i + 1 object i), or -1.
  virtual int shownNode() const = 0;
  // Shows the panes of a tree node at once.
  virtual void tvwMainChange(const QModelIndex& node) = 0;
  // Selects a tree node; the panes follow after the change delay.
  virtual void selectNode(int absoluteIndex) = 0;
};
