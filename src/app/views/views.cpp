// SPDX-License-Identifier: MIT
#include "views.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <algorithm>

namespace {

// Copy and Select All belong to the window's actions; when an action leaves
// such a key to the view, the view does nothing with it.
bool isActionKey(const QKeyEvent* event) {
  return event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll);
}

}  // namespace

TTreeView::TTreeView(QWidget* parent) : QTreeView(parent) {
  setTextElideMode(Qt::ElideNone);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  // A node shown or hidden under another may change the widest caption.
  connect(this, &QTreeView::expanded, this, [this] { FWidth.reset(); });
  connect(this, &QTreeView::collapsed, this, [this] { FWidth.reset(); });
}

void TTreeView::setWidestNodes(TWidestNodes nodes) {
  FWidestNodes = std::move(nodes);
  FWidest.reset();
  FWidth.reset();
}

void TTreeView::setModel(QAbstractItemModel* model) {
  for (const QMetaObject::Connection& connection : FModelConnections) disconnect(connection);
  FModelConnections.clear();
  QTreeView::setModel(model);
  FWidest.reset();
  FWidth.reset();
  if (!model) return;
  const auto changed = [this] {
    FWidest.reset();
    FWidth.reset();
  };
  FModelConnections = {connect(model, &QAbstractItemModel::modelReset, this, changed),
                       connect(model, &QAbstractItemModel::layoutChanged, this, changed),
                       connect(model, &QAbstractItemModel::rowsInserted, this, changed),
                       connect(model, &QAbstractItemModel::rowsRemoved, this, changed),
                       connect(model, &QAbstractItemModel::dataChanged, this, changed)};
}

int TTreeView::sizeHintForColumn(int column) const {
  if (!FWidestNodes || column != 0 || !model()) return QTreeView::sizeHintForColumn(column);
  // The header asks on every layout, scroll and change of the current node;
  // each answer lays out dozens of captions as text.
  if (FWidth) return *FWidth;
  if (!FWidest) FWidest = FWidestNodes();
  ensurePolished();
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  int width = -1;
  for (const QModelIndex node : *FWidest) {
    // A node under a collapsed one takes no room, as in Qt's own fit.
    int depth = 0;
    bool shown = node.isValid();
    for (QModelIndex up = node.parent(); shown && up.isValid(); up = up.parent(), ++depth)
      shown = isExpanded(up);
    if (!shown) continue;
    const int indent = indentation() * (depth + (rootIsDecorated() ? 1 : 0));
    width = std::max(width, itemDelegateForIndex(node)->sizeHint(option, node).width() + indent);
  }
  FWidth = width;
  return width;
}

void TTreeView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) FWidth.reset();
  QTreeView::changeEvent(event);
}

void TTreeView::keyPressEvent(QKeyEvent* event) {
  if (isActionKey(event)) {
    event->ignore();
    return;
  }
  QTreeView::keyPressEvent(event);
}

void TTreeView::mousePressEvent(QMouseEvent* event) {
  QTreeView::mousePressEvent(event);
  emit mouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

QItemSelectionModel::SelectionFlags TTreeView::selectionCommand(const QModelIndex& index,
                                                                const QEvent* event) const {
  if (!index.isValid()) return QItemSelectionModel::NoUpdate;
  return QTreeView::selectionCommand(index, event) == QItemSelectionModel::NoUpdate
             ? QItemSelectionModel::NoUpdate
             : QItemSelectionModel::ClearAndSelect;
}

TListView::TListView(QWidget* parent) : QTreeView(parent) {}

void TListView::keyboardSearch(const QString& search) {
  if (!model() || search.isEmpty()) return;
  if (!FSearchTimer.isValid() || FSearchTimer.elapsed() > QApplication::keyboardInputInterval())
    FSearchText.clear();
  FSearchTimer.start();
  FSearchText += search;
  const int count = model()->rowCount(rootIndex());
  if (count == 0 || !FOnDataFind) return;
  // A first character searches from the row after the focused one, so that
  // pressing it again moves on; a longer text refines the focused row.
  const QModelIndex current = currentIndex();
  int start = 0;
  if (current.isValid()) start = current.row() + (FSearchText.size() == 1 ? 1 : 0);
  const int row = FOnDataFind(FSearchText, start, true);
  if (row < 0 || row >= count) return;
  const QModelIndex found = model()->index(row, 0, rootIndex());
  selectionModel()->setCurrentIndex(
      found, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(found);
}

void TListView::focusInEvent(QFocusEvent* event) {
  const bool hadCurrent = currentIndex().isValid();
  QTreeView::focusInEvent(event);
  FFocusRow = QPersistentModelIndex();
  if (!hadCurrent && currentIndex().isValid() && !selectionModel()->hasSelection())
    FFocusRow = currentIndex();
}

void TListView::keyPressEvent(QKeyEvent* event) {
  if (isActionKey(event)) {
    event->ignore();
    return;
  }
  const bool firstMove = event->modifiers() == Qt::NoModifier &&
                         (event->key() == Qt::Key_Down || event->key() == Qt::Key_Space);
  if (firstMove && FFocusRow.isValid() && FFocusRow == currentIndex() &&
      !selectionModel()->hasSelection()) {
    FFocusRow = QPersistentModelIndex();
    selectionModel()->setCurrentIndex(
        currentIndex(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return;
  }
  FFocusRow = QPersistentModelIndex();
  QTreeView::keyPressEvent(event);
}

void TListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit dblClick();
}
