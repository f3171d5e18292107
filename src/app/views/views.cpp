// SPDX-License-Identifier: MIT
#include "views.h"

#include <QApplication>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QtMath>
#include <optional>

namespace {

// Copy and Select All belong to the window's actions; when an action leaves
// such a key to the view, the view does nothing with it.
bool isActionKey(const QKeyEvent* event) {
  return event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll);
}

// The widths that size the tree's column to its captions. Measuring each
// caption as the style draws it (shaping its text) cost a large file's open
// more than anything else the window does; a caption's width is taken as
// that of the first one measured with the same font and decoration, its text
// exchanged for the sum of the advances of its characters. Kerning may make
// a caption a pixel or two wider than that sum; one average character more
// keeps it whole.
class TCaptionWidths : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (option.font != FFont) {
      FFont = option.font;
      FAdvances.clear();
      FMeasured[0].reset();
      FMeasured[1].reset();
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    std::optional<TMeasured>& measured = FMeasured[index.data(Qt::DecorationRole).isValid()];
    if (!measured) {
      measured = TMeasured{QStyledItemDelegate::sizeHint(option, index), textWidth(option, text)};
      return measured->Size;
    }
    const qreal width = measured->Size.width() - measured->TextWidth + textWidth(option, text) +
                        QFontMetricsF(FFont).averageCharWidth();
    return {qCeil(width), measured->Size.height()};
  }

 private:
  struct TMeasured {
    QSize Size;
    qreal TextWidth;
  };

  qreal textWidth(const QStyleOptionViewItem& option, const QString& text) const {
    const QFontMetricsF metrics(option.font);
    qreal width = 0;
    for (const QChar c : text) {
      auto found = FAdvances.constFind(c.unicode());
      if (found == FAdvances.cend())
        found = FAdvances.insert(c.unicode(), metrics.horizontalAdvance(c));
      width += *found;
    }
    return width;
  }

  mutable QFont FFont;
  mutable QHash<char16_t, qreal> FAdvances;
  mutable std::optional<TMeasured> FMeasured[2];
};

}  // namespace

TTreeView::TTreeView(QWidget* parent) : QTreeView(parent) {
  setItemDelegate(new TCaptionWidths(this));
  setTextElideMode(Qt::ElideNone);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
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
