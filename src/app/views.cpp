#include "views.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

#include "oemcodepage.h"

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

TTextPane::TTextPane(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void TTextPane::setBytes(std::string bytes) {
  FBytes = std::move(bytes);
  FMap.build(FBytes);
  setPlainText(oem::toQString(FBytes));
  moveCursor(QTextCursor::Start);
}

void TTextPane::clearBytes() {
  setBytes({});
}

std::int32_t TTextPane::selStart() const {
  return FMap.toByte(std::int32_t(textCursor().selectionStart()));
}

std::int32_t TTextPane::selLength() const {
  const QTextCursor cursor = textCursor();
  return FMap.toByte(std::int32_t(cursor.selectionEnd())) -
         FMap.toByte(std::int32_t(cursor.selectionStart()));
}

std::string TTextPane::selectedBytes() const {
  return FBytes.substr(std::size_t(selStart()), std::size_t(selLength()));
}

void TTextPane::selectBytes(std::int32_t start, std::int32_t length) {
  const auto size = std::int32_t(FBytes.size());
  start = std::clamp(start, 0, size);
  const auto end = std::int32_t(
      std::min<std::int64_t>(std::int64_t(start) + std::max<std::int32_t>(length, 0), size));
  QTextCursor cursor(document());
  cursor.setPosition(FMap.toPosition(start));
  cursor.setPosition(FMap.toPosition(end, true), QTextCursor::KeepAnchor);
  setTextCursor(cursor);
  ensureCursorVisible();
}
