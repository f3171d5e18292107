// SPDX-License-Identifier: MIT
// The text pane's selection and caret, and its keyboard, mouse and focus input.
#include <QClipboard>
#include <QCursor>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "oemcodepage.h"
#include "textpane.h"
#include "textpanebytes.h"

using namespace pane;

std::int32_t TTextPane::selStart() const {
  return std::min(FAnchor, FCaret);
}

std::int32_t TTextPane::selLength() const {
  return std::abs(FCaret - FAnchor);
}

std::string TTextPane::selectedBytes() const {
  return FBytes.substr(std::size_t(selStart()), std::size_t(selLength()));
}

void TTextPane::selectBytes(std::int32_t start, std::int32_t length) {
  const auto size = std::int32_t(FBytes.size());
  start = std::clamp(start, 0, size);
  const auto end = std::int32_t(
      std::min<std::int64_t>(std::int64_t(start) + std::max<std::int32_t>(length, 0), size));
  setSelection(snap(start, false), snap(end, true));
  FGoalX = -1;
  ensureVisible(FAnchor);
  ensureVisible(FCaret);
}

void TTextPane::selectAll() {
  setSelection(0, std::int32_t(FBytes.size()));
  FGoalX = -1;
}

// An offset between a CR and its LF moves before or after the pair.
std::int32_t TTextPane::snap(std::int32_t offset, bool forward) const {
  const auto i = std::size_t(offset);
  if (offset > 0 && i < FBytes.size() && FBytes[i - 1] == '\r' && FBytes[i] == '\n')
    return forward ? offset + 1 : offset - 1;
  return offset;
}

std::int32_t TTextPane::stepBack(std::int32_t offset) const {
  return offset == 0 ? 0 : snap(offset - 1, false);
}

std::int32_t TTextPane::stepForward(std::int32_t offset) const {
  return offset >= std::int32_t(FBytes.size()) ? offset : snap(offset + 1, true);
}

// The start of the next or previous word, the way Ctrl+arrows move in a
// text box; a line break counts as a stop of its own.
std::int32_t TTextPane::wordBoundary(std::int32_t offset, bool forward) const {
  const auto size = std::int32_t(FBytes.size());
  auto byteAt = [this](std::int32_t i) {
    return static_cast<unsigned char>(FBytes[std::size_t(i)]);
  };
  if (forward) {
    if (offset >= size) return size;
    if (isBreak(char(byteAt(offset)))) return stepForward(offset);
    const TCharClass kind = classOf(byteAt(offset));
    while (offset < size && !isBreak(char(byteAt(offset))) && classOf(byteAt(offset)) == kind)
      ++offset;
    while (offset < size && classOf(byteAt(offset)) == TCharClass::Space) ++offset;
    return offset;
  }
  if (offset <= 0) return 0;
  if (isBreak(char(byteAt(offset - 1)))) return stepBack(offset);
  while (offset > 0 && classOf(byteAt(offset - 1)) == TCharClass::Space) --offset;
  if (offset == 0 || isBreak(char(byteAt(offset - 1)))) return offset;
  const TCharClass kind = classOf(byteAt(offset - 1));
  while (offset > 0 && !isBreak(char(byteAt(offset - 1))) && classOf(byteAt(offset - 1)) == kind)
    --offset;
  return offset;
}

void TTextPane::setSelection(std::int32_t anchor, std::int32_t caret) {
  if (anchor == FAnchor && caret == FCaret) return;
  FAnchor = anchor;
  FCaret = caret;
  viewport()->update();
  emit selectionChanged();
}

void TTextPane::moveCaret(std::int32_t offset, bool extend) {
  offset = std::clamp(offset, 0, std::int32_t(FBytes.size()));
  setSelection(extend ? FAnchor : offset, offset);
  ensureVisible(offset);
}

void TTextPane::ensureVisible(std::int32_t offset) {
  const int row = rowOf(offset);
  QScrollBar* vertical = verticalScrollBar();
  if (row < vertical->value())
    vertical->setValue(row);
  else if (row >= vertical->value() + visibleRowCount())
    vertical->setValue(row - visibleRowCount() + 1);

  const qreal x = xOf(offset);
  QScrollBar* horizontal = horizontalScrollBar();
  const int room = viewport()->width() - 2 * Margin;
  if (x < horizontal->value())
    horizontal->setValue(int(std::floor(x)) - room / 4);
  else if (x > horizontal->value() + room)
    horizontal->setValue(int(std::ceil(x)) - room + room / 4);
}

// Every byte shows as the same character wherever it stands, so one table of
// advances and glyphs per font lays out and draws any row without shaping.
// Kerning is off so that a row is drawn exactly at the sums of its advances.
bool TTextPane::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // Keys the pane uses itself are not taken by shortcuts the window left
    // to it; enabled actions of the window are settled before this.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Copy)) {
      event->accept();
      return true;
    }
  } else if (event->type() == QEvent::KeyPress && !FTabChangesFocus) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      event->accept();  // read-only: nothing to insert, and the focus stays
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void TTextPane::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
    return;
  }
  if (event->matches(QKeySequence::Copy)) {
    if (selLength() > 0) QGuiApplication::clipboard()->setText(oem::toQString(selectedBytes()));
    return;
  }
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  const bool control = event->modifiers() & Qt::ControlModifier;
  if (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  const int row = rowOf(FCaret);
  auto vertical = [&](int rows) {
    if (FGoalX < 0) FGoalX = xOf(FCaret);
    const int target = std::clamp(row + rows, 0, rowCount() - 1);
    return offsetInRow(target, FGoalX, true);
  };
  std::int32_t to = FCaret;
  switch (event->key()) {
    case Qt::Key_Left:
      if (!extend && selLength() > 0)
        to = selStart();
      else
        to = control ? wordBoundary(FCaret, false) : stepBack(FCaret);
      break;
    case Qt::Key_Right:
      if (!extend && selLength() > 0)
        to = selStart() + selLength();
      else
        to = control ? wordBoundary(FCaret, true) : stepForward(FCaret);
      break;
    case Qt::Key_Up:
      if (control) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return;
      }
      to = vertical(-1);
      break;
    case Qt::Key_Down:
      if (control) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return;
      }
      to = vertical(1);
      break;
    case Qt::Key_PageUp:
      to = vertical(-visibleRowCount());
      verticalScrollBar()->setValue(firstVisibleRow() - visibleRowCount());
      break;
    case Qt::Key_PageDown:
      to = vertical(visibleRowCount());
      verticalScrollBar()->setValue(firstVisibleRow() + visibleRowCount());
      break;
    case Qt::Key_Home: to = control ? 0 : rowStart(row); break;
    case Qt::Key_End: to = control ? std::int32_t(FBytes.size()) : rowLast(row); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
  }
  moveCaret(to, extend);
  const int key = event->key();
  const bool keepsColumn = !control && (key == Qt::Key_Up || key == Qt::Key_Down ||
                                        key == Qt::Key_PageUp || key == Qt::Key_PageDown);
  if (!keepsColumn) FGoalX = -1;
  event->accept();
}

void TTextPane::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  FGoalX = -1;
  FDragging = true;
  moveCaret(offsetAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void TTextPane::dragTo(QPoint viewportPos) {
  moveCaret(offsetAt(viewportPos), true);
  if (viewport()->rect().contains(viewportPos))
    FDragScroll.stop();
  else if (!FDragScroll.isActive())
    FDragScroll.start(DragScrollMs, this);
}

void TTextPane::mouseMoveEvent(QMouseEvent* event) {
  if (FDragging && (event->buttons() & Qt::LeftButton)) dragTo(event->position().toPoint());
}

void TTextPane::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    FDragging = false;
    FDragScroll.stop();
  }
}

void TTextPane::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  const int row = std::clamp(firstVisibleRow() + pos.y() / FLineHeight, 0, rowCount() - 1);
  if (rowStart(row) == rowEnd(row)) return;
  const std::int32_t under =
      offsetInRow(row, pos.x() - Margin + horizontalScrollBar()->value(), false);
  // A word goes on across the rows its line wraps into.
  const int line = lineOf(under);
  const std::int32_t start = lineStart(line);
  const std::int32_t end = lineEnd(line);
  auto byteAt = [this](std::int32_t i) {
    return static_cast<unsigned char>(FBytes[std::size_t(i)]);
  };
  const TCharClass kind = classOf(byteAt(under));
  std::int32_t from = under, to = under + 1;
  if (kind != TCharClass::Other) {
    while (from > start && classOf(byteAt(from - 1)) == kind) --from;
    while (to < end && classOf(byteAt(to)) == kind) ++to;
  }
  FDragging = false;
  setSelection(from, to);
  ensureVisible(to);
}

void TTextPane::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void TTextPane::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

void TTextPane::timerEvent(QTimerEvent* event) {
  if (event->timerId() != FDragScroll.timerId()) {
    QAbstractScrollArea::timerEvent(event);
    return;
  }
  if (!FDragging) {
    FDragScroll.stop();
    return;
  }
  dragTo(viewport()->mapFromGlobal(QCursor::pos()));
}

void TTextPane::scrollContentsBy(int, int) {
  viewport()->update();
}
