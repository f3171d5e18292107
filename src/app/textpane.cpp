#include "textpane.h"

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

#include "oemcodepage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int Margin = 3;
constexpr int TabColumns = 8;
constexpr int DragScrollMs = 50;

bool isBreak(char c) {
  return c == '\r' || c == '\n';
}

QChar shownChar(unsigned char byte) {
  // Control bytes would draw as nothing; their pictures keep one visible
  // character per byte.
  if (byte < 0x20) return QChar(char16_t(0x2400 + byte));
  if (byte == 0x7F) return QChar(char16_t(0x2421));
  return oem::toChar(byte);
}

enum class TCharClass { Space, Word, Other };

TCharClass classOf(unsigned char byte) {
  if (byte == ' ' || byte == '\t') return TCharClass::Space;
  if (byte == '_' || oem::toChar(byte).isLetterOrNumber()) return TCharClass::Word;
  return TCharClass::Other;
}

}  // namespace

TTextPane::TTextPane(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setCursor(Qt::IBeamCursor);
  updateMetrics();
}

void TTextPane::setBytes(std::string bytes) {
  FBytes = std::move(bytes);
  indexLines();
  FAnchor = FCaret = 0;
  FGoalX = -1;
  FContentWidth = qreal(FLongestLine) * fontMetrics().averageCharWidth();
  updateScrollBars();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  viewport()->update();
  emit textChanged();
  emit selectionChanged();
}

void TTextPane::clearBytes() {
  setBytes({});
}

QString TTextPane::toPlainText() const {
  return oem::toQString(FBytes);
}

// One pass over the bytes, 32 at a time where the processor allows: a line
// starts after every LF and after every CR that no LF follows.
void TTextPane::indexLines() {
  FLines.clear();
  FLines.push_back(0);
  const char* data = FBytes.data();
  const std::size_t size = FBytes.size();
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  auto maskOf = [&](std::size_t at, __m128i byte) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + 16));
    return std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(lo, byte))) |
           std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(hi, byte))) << 16;
  };
  for (; i + 32 <= size; i += 32) {
    const std::uint32_t lfs = maskOf(i, lf);
    const std::uint32_t crs = maskOf(i, cr);
    if ((lfs | crs) == 0) continue;
    // A CR in the last place looks at the next block's first byte.
    const std::uint32_t lfNext = lfs >> 1 | (i + 32 < size && data[i + 32] == '\n' ? 1u << 31 : 0);
    for (std::uint32_t starts = lfs | (crs & ~lfNext); starts != 0; starts &= starts - 1)
      FLines.push_back(std::int32_t(i + std::size_t(std::countr_zero(starts)) + 1));
  }
#endif
  for (; i < size; ++i)
    if (data[i] == '\n' || (data[i] == '\r' && (i + 1 == size || data[i + 1] != '\n')))
      FLines.push_back(std::int32_t(i + 1));
  FLongestLine = std::int32_t(size) - FLines.back();
  for (std::size_t k = 1; k < FLines.size(); ++k)
    FLongestLine = std::max(FLongestLine, FLines[k] - FLines[k - 1]);
}

int TTextPane::lineOf(std::int32_t offset) const {
  return int(std::upper_bound(FLines.begin(), FLines.end(), offset) - FLines.begin()) - 1;
}

std::int32_t TTextPane::lineEnd(int line) const {
  if (line + 1 >= lineCount()) return std::int32_t(FBytes.size());
  const std::int32_t next = FLines[std::size_t(line) + 1];
  const bool pair =
      next >= 2 && FBytes[std::size_t(next) - 1] == '\n' && FBytes[std::size_t(next) - 2] == '\r';
  return next - (pair ? 2 : 1);
}

QString TTextPane::lineText(int line) const {
  const std::int32_t start = lineStart(line);
  const std::int32_t end = lineEnd(line);
  QString text;
  text.reserve(end - start);
  for (std::int32_t i = start; i < end; ++i) {
    const auto byte = static_cast<unsigned char>(FBytes[std::size_t(i)]);
    if (byte == '\t')
      text.append(QString(TabColumns - text.size() % TabColumns, QLatin1Char(' ')));
    else
      text.append(shownChar(byte));
  }
  return text;
}

// The x of every caret position of a line, from the left edge of the text:
// sums of the characters' advances, the way the line is drawn.
void TTextPane::layoutLine(int line, std::vector<qreal>& xs) const {
  const std::int32_t start = lineStart(line);
  const std::int32_t end = lineEnd(line);
  xs.clear();
  xs.reserve(std::size_t(end - start) + 1);
  qreal x = 0;
  int column = 0;
  for (std::int32_t i = start; i < end; ++i) {
    xs.push_back(x);
    const auto byte = static_cast<unsigned char>(FBytes[std::size_t(i)]);
    const int columns = byte == '\t' ? TabColumns - column % TabColumns : 1;
    x += byte == '\t' ? columns * FAdvance[' '] : FAdvance[byte];
    column += columns;
  }
  xs.push_back(x);
}

qreal TTextPane::xOf(std::int32_t offset) const {
  const int line = lineOf(offset);
  std::vector<qreal> xs;
  layoutLine(line, xs);
  return xs[std::min(std::size_t(offset - lineStart(line)), xs.size() - 1)];
}

// The caret position nearest x on a line, or with nearest false the
// character under x.
std::int32_t TTextPane::offsetInLine(int line, qreal x, bool nearest) const {
  std::vector<qreal> xs;
  layoutLine(line, xs);
  const int count = int(xs.size()) - 1;
  // The last character that starts at or before x.
  int at = int(std::upper_bound(xs.begin(), xs.end(), x) - xs.begin()) - 1;
  at = std::clamp(at, 0, count);
  if (nearest && at < count && x - xs[std::size_t(at)] > xs[std::size_t(at) + 1] - x)
    ++at;
  else if (!nearest && at == count && count > 0)
    --at;
  return lineStart(line) + at;
}

int TTextPane::firstVisibleLine() const {
  return verticalScrollBar()->value();
}

int TTextPane::visibleLineCount() const {
  return std::max(1, viewport()->height() / FLineHeight);
}

QPoint TTextPane::pointOf(std::int32_t offset) const {
  offset = std::clamp(offset, 0, std::int32_t(FBytes.size()));
  const int line = lineOf(offset);
  const qreal x = xOf(offset) + Margin - horizontalScrollBar()->value();
  return {int(std::ceil(x)), (line - firstVisibleLine()) * FLineHeight + FLineHeight / 2};
}

std::int32_t TTextPane::offsetAt(QPoint viewportPos) const {
  const int row = viewportPos.y() < 0 ? -1 - (-viewportPos.y() - 1) / FLineHeight
                                      : viewportPos.y() / FLineHeight;
  const int line = std::clamp(firstVisibleLine() + row, 0, lineCount() - 1);
  return offsetInLine(line, viewportPos.x() - Margin + horizontalScrollBar()->value(), true);
}

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
  const int line = lineOf(offset);
  QScrollBar* vertical = verticalScrollBar();
  if (line < vertical->value())
    vertical->setValue(line);
  else if (line >= vertical->value() + visibleLineCount())
    vertical->setValue(line - visibleLineCount() + 1);

  std::vector<qreal> xs;
  layoutLine(line, xs);
  noteWidth(xs.back());
  const qreal x = xs[std::size_t(offset - lineStart(line))];
  QScrollBar* horizontal = horizontalScrollBar();
  const int room = viewport()->width() - 2 * Margin;
  if (x < horizontal->value())
    horizontal->setValue(int(std::floor(x)) - room / 4);
  else if (x > horizontal->value() + room)
    horizontal->setValue(int(std::ceil(x)) - room + room / 4);
}

// Lines are measured only when painted or reached, so the horizontal range
// starts as an estimate and grows to what is found.
void TTextPane::noteWidth(qreal width) {
  if (width <= FContentWidth) return;
  FContentWidth = width;
  updateScrollBars();
}

// Every byte shows as the same character wherever it stands, so one table of
// advances and glyphs per font lays out and draws any line without shaping.
// Kerning is off so that a line is drawn exactly at the sums of its advances.
void TTextPane::updateMetrics() {
  QFont shown = font();
  shown.setKerning(false);
  FShownFont = shown;
  FRawFont = QRawFont::fromFont(shown);
  const QFontMetricsF exact(shown);
  for (int byte = 0; byte < 256; ++byte) {
    const QChar c = shownChar(static_cast<unsigned char>(byte));
    FAdvance[std::size_t(byte)] = exact.horizontalAdvance(c);
    quint32 glyph = 0;
    int count = 1;
    if (!FRawFont.isValid() || !FRawFont.glyphIndexesForChars(&c, 1, &glyph, &count)) glyph = 0;
    FGlyph[std::size_t(byte)] = glyph;
  }
  const QFontMetrics metrics(shown);
  FLineHeight = std::max(1, metrics.lineSpacing());
  FAscent = metrics.ascent();
  FContentWidth = qreal(FLongestLine) * metrics.averageCharWidth();
  horizontalScrollBar()->setSingleStep(std::max(1, metrics.averageCharWidth() * 2));
}

void TTextPane::updateScrollBars() {
  const int visible = visibleLineCount();
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(0, std::max(0, lineCount() - visible));
  vertical->setPageStep(visible);
  vertical->setSingleStep(1);
  QScrollBar* horizontal = horizontalScrollBar();
  const int width = viewport()->width();
  horizontal->setRange(0, std::max(0, int(std::ceil(FContentWidth)) + 2 * Margin - width));
  horizontal->setPageStep(width);
}

// Draws a line in the pen's colour: as one run of glyphs straight from the
// table, or through the font's fallbacks when the font lacks a character.
void TTextPane::drawLine(QPainter& painter, QPointF baseline, int line,
                         const std::vector<qreal>& xs) const {
  const std::int32_t start = lineStart(line);
  // Only what the viewport shows of a long line becomes glyphs.
  const qreal from = -baseline.x();
  const qreal to = from + viewport()->width();
  QList<quint32> glyphs;
  QList<QPointF> positions;
  glyphs.reserve(qsizetype(xs.size()));
  positions.reserve(qsizetype(xs.size()));
  for (std::size_t k = 0; k + 1 < xs.size(); ++k) {
    const auto byte = static_cast<unsigned char>(FBytes[std::size_t(start) + k]);
    if (byte == ' ' || byte == '\t' || xs[k + 1] < from || xs[k] > to) continue;
    const quint32 glyph = FGlyph[byte];
    if (glyph == 0) {
      painter.setFont(FShownFont);
      painter.drawText(baseline, lineText(line));
      return;
    }
    glyphs.push_back(glyph);
    positions.push_back(QPointF(xs[k], 0));
  }
  if (glyphs.isEmpty()) return;
  QGlyphRun run;
  run.setRawFont(FRawFont);
  run.setGlyphIndexes(glyphs);
  run.setPositions(positions);
  painter.drawGlyphRun(baseline, run);
}

void TTextPane::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QPalette& colours = palette();
  // The selection stays visible without the focus, in the active colours.
  const QColor highlight = colours.color(QPalette::Active, QPalette::Highlight);
  const QColor highlightedText = colours.color(QPalette::Active, QPalette::HighlightedText);
  const QColor textColour = colours.color(QPalette::Text);
  const QRect area = event->rect();
  const int first = firstVisibleLine();
  const int from = first + std::max(0, area.top()) / FLineHeight;
  const int to = std::min(lineCount() - 1, first + area.bottom() / FLineHeight);
  const qreal left = Margin - horizontalScrollBar()->value();
  const std::int32_t selFrom = selStart();
  const std::int32_t selTo = selFrom + selLength();
  std::vector<qreal> xs;
  for (int line = from; line <= to; ++line) {
    layoutLine(line, xs);
    const int top = (line - first) * FLineHeight;
    const QPointF baseline(left, top + FAscent);
    noteWidth(xs.back());
    painter.setPen(textColour);
    drawLine(painter, baseline, line, xs);

    const std::int32_t start = lineStart(line);
    const std::int32_t end = lineEnd(line);
    const std::int32_t next = line + 1 < lineCount() ? lineStart(line + 1) : end;
    if (selFrom < std::max(next, end + 1) && selTo > start && selTo > selFrom) {
      const qreal x1 = left + xs[std::size_t(std::max(selFrom, start) - start)];
      qreal x2 = left + xs[std::size_t(std::min(selTo, end) - start)];
      if (selTo > end) x2 += FAdvance[' '];  // the line break is selected too
      const QRectF band(x1, top, x2 - x1, FLineHeight);
      painter.fillRect(band, highlight);
      painter.save();
      painter.setClipRect(band);
      painter.setPen(highlightedText);
      drawLine(painter, baseline, line, xs);
      painter.restore();
    }
    if (hasFocus() && lineOf(FCaret) == line)
      painter.fillRect(QRectF(left + xs[std::size_t(FCaret - start)], top, 1, FLineHeight),
                       textColour);
  }
}

void TTextPane::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBars();
}

void TTextPane::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    updateMetrics();
    updateScrollBars();
    FGoalX = -1;
    viewport()->update();
  } else if (event->type() == QEvent::PaletteChange) {
    viewport()->update();
  }
}

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
  const int line = lineOf(FCaret);
  auto vertical = [&](int lines) {
    if (FGoalX < 0) FGoalX = xOf(FCaret);
    const int target = std::clamp(line + lines, 0, lineCount() - 1);
    return offsetInLine(target, FGoalX, true);
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
      to = vertical(-visibleLineCount());
      verticalScrollBar()->setValue(firstVisibleLine() - visibleLineCount());
      break;
    case Qt::Key_PageDown:
      to = vertical(visibleLineCount());
      verticalScrollBar()->setValue(firstVisibleLine() + visibleLineCount());
      break;
    case Qt::Key_Home: to = control ? 0 : lineStart(line); break;
    case Qt::Key_End: to = control ? std::int32_t(FBytes.size()) : lineEnd(line); break;
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
  const int row = std::clamp(firstVisibleLine() + pos.y() / FLineHeight, 0, lineCount() - 1);
  const std::int32_t start = lineStart(row);
  const std::int32_t end = lineEnd(row);
  if (start == end) return;
  const std::int32_t under =
      offsetInLine(row, pos.x() - Margin + horizontalScrollBar()->value(), false);
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
