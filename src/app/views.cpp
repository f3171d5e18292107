#include "views.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>

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

void TListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit dblClick();
}
