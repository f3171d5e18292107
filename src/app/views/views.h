// SPDX-License-Identifier: MIT
// The window's three views: the object tree, the object list and the text
// pane, each a Qt view with the few behaviours the window needs on top.
#pragma once

#include <QElapsedTimer>
#include <QTreeView>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "textpane.h"

// The tree always keeps one selected node, as a tree control does: clicks
// select, they never toggle a node off.
class TTreeView : public QTreeView {
  Q_OBJECT
 public:
  // Captions are never cut short; a caption wider than the tree scrolls.
  explicit TTreeView(QWidget* parent = nullptr);

  // The nodes whose captions may be the widest. Fitting the column to its
  // contents then measures only those, instead of a thousand nodes around
  // the visible ones, each laid out as text; without it Qt's own fit holds.
  // Asked again only once the model changes; their width is kept until
  // then, or until a node expands or collapses or the font changes.
  using TWidestNodes = std::function<std::vector<QPersistentModelIndex>()>;
  void setWidestNodes(TWidestNodes nodes);
  void setModel(QAbstractItemModel* model) override;

 signals:
  // Any mouse button pressed over the view, in viewport coordinates.
  void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;
  int sizeHintForColumn(int column) const override;
  void changeEvent(QEvent* event) override;

 private:
  TWidestNodes FWidestNodes;
  mutable std::optional<std::vector<QPersistentModelIndex>> FWidest;
  mutable std::optional<int> FWidth;  // of the widest caption, until nodes or font change
  std::vector<QMetaObject::Connection> FModelConnections;
};

// Text typed into the list searches its rows through a callback, the way a
// list control asks its owner to find an item: the typed text, the row to
// start from and whether to wrap; the answer is a row or -1.
using TListFindEvent = std::function<int(const QString& text, int start, bool wrap)>;

class TListView : public QTreeView {
  Q_OBJECT
 public:
  explicit TListView(QWidget* parent = nullptr);

  void setOnDataFind(TListFindEvent event) { FOnDataFind = std::move(event); }
  void keyboardSearch(const QString& search) override;

 signals:
  // A double-click anywhere in the list, also away from any row.
  void dblClick();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TListFindEvent FOnDataFind;
  // The row Qt made current on getting the focus, with nothing selected: a
  // list control has no focused row then, so the first move selects it.
  QPersistentModelIndex FFocusRow;
  QString FSearchText;
  QElapsedTimer FSearchTimer;
};
