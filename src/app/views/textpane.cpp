// SPDX-License-Identifier: MIT
// The text pane's bytes, their lines and wrapped rows, the geometry of rows,
// and its painting.
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
#include <cstring>

#include "oemcodepage.h"
#include "textpanebytes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace pane;

namespace {

// The advance of a byte standing at column, which moves on past it: a tab
// reaches the next multiple of eight columns.
std::int32_t advanceAt(const std::array<std::int32_t, 256>& advance, unsigned char byte,
                       int& column) {
  if (byte != '\t') {
    ++column;
    return advance[byte];
  }
  const int columns = TabColumns - column % TabColumns;
  column += columns;
  return columns * advance[' '];
}

// Whether every byte of a range is printable ASCII, the characters a
// fixed-pitch font gives one width.
bool isPlain(const unsigned char* from, const unsigned char* to) {
#if defined(__SSE2__)
  if (to - from >= 16) {
    const __m128i low = _mm_set1_epi8(0x1F);
    const __m128i high = _mm_set1_epi8(0x7F);
    auto block = [&](const unsigned char* at) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      const __m128i plain = _mm_and_si128(_mm_cmpgt_epi8(bytes, low), _mm_cmplt_epi8(bytes, high));
      return _mm_movemask_epi8(plain) == 0xFFFF;
    };
    for (; to - from > 16; from += 16)
      if (!block(from)) return false;
    return block(to - 16);
  }
#endif
  return std::all_of(from, to, [](unsigned char byte) { return byte >= 0x20 && byte < 0x7F; });
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
  FRows.assign(1, 0);
  FAnchor = FCaret = 0;
  FGoalX = -1;
  FWrapWidth = -1;
  // Rows are at least the lines: asking for the vertical scroll bar they will
  // need first spares wrapping twice.
  verticalScrollBar()->setRange(0, std::max(0, lineCount() - visibleRowCount()));
  fitRows();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  viewport()->update();
  emit textChanged();
  emit selectionChanged();
}

void TTextPane::setLeftMargin(int width) {
  setViewportMargins(width, 0, 0, 0);
  fitRows();
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
}

// One pass over the lines. A line that fits even in the widest character,
// or being printable ASCII in the widest of those, needs no measuring; any other sums the widths of
// its bytes, breaking rows after the last space that fits, or before the first character that does
// not. A space that reaches past the edge stays on its row, as a text box lets it hang. Every row
// holds at least one byte. The content width only has to be right where it exceeds the room: below
// that, a bound will do.
void TTextPane::wrapRows() {
  FWrapWidth = viewport()->width();
  const std::int64_t room = std::int64_t(std::max(0, FWrapWidth - 2 * Margin)) * Unit;
  const std::int64_t sureFit = room / FWidestAdvance;
  const std::int64_t plainFit = room / FWidestPlain;
  const auto* data = reinterpret_cast<const unsigned char*>(FBytes.data());
  const auto size = std::int32_t(FBytes.size());
  auto tabFrom = [&](std::int32_t from) {
    const void* tab = std::memchr(data + from, '\t', std::size_t(size - from));
    return tab ? std::int32_t(static_cast<const unsigned char*>(tab) - data) : size;
  };
  std::int32_t nextTab = tabFrom(0);
  FRows.clear();
  FRows.reserve(FLines.size());
  FContentWidth = 0;
  for (std::size_t line = 0; line < FLines.size(); ++line) {
    std::int32_t rowStart = FLines[line];
    const std::int32_t end = line + 1 < FLines.size() ? endBefore(FLines[line + 1]) : size;
    FRows.push_back(rowStart);
    const std::int64_t length = end - rowStart;
    if (nextTab < rowStart) nextTab = tabFrom(rowStart);
    if (length <= sureFit && nextTab >= end) {
      FContentWidth = std::max(FContentWidth, length * FWidestAdvance);
      continue;
    }
    if (length <= plainFit && isPlain(data + rowStart, data + end)) {
      FContentWidth = std::max(FContentWidth, length * FWidestPlain);
      continue;
    }
    const bool tabs = nextTab < end;
    // In a fixed-pitch font the bytes of a plain line that fit a row need no summing.
    const bool fixedRows =
        FPlainFixed && !tabs && plainFit > 0 && isPlain(data + rowStart, data + end);
    std::int64_t x = 0;
    int column = 0;
    for (std::int32_t i = rowStart; i < end; ++i) {
      if (fixedRows && i == rowStart) {
        const auto fit = std::int32_t(std::min<std::int64_t>(plainFit, end - rowStart));
        x = fit * std::int64_t(FWidestPlain);
        i = rowStart + fit;
        if (i == end) break;
      }
      const unsigned char byte = data[i];
      const std::int32_t advance = tabs ? advanceAt(FAdvance, byte, column) : FAdvance[byte];
      if (x + advance <= room || i == rowStart) {
        x += advance;
        continue;
      }
      std::int32_t next = i + 1;
      if (!isSpace(byte)) {
        next = i;
        while (next > rowStart && !isSpace(data[next - 1])) --next;
        // Nothing but spaces before the word: a row of them alone would
        // look like an empty line, so the word breaks by characters.
        std::int32_t words = next;
        while (words > rowStart && isSpace(data[words - 1])) --words;
        if (words == rowStart) next = i;
      }
      if (next == end) break;
      FContentWidth = std::max(FContentWidth, x);
      FRows.push_back(next);
      rowStart = next;
      i = next - 1;
      x = 0;
      column = 0;
    }
    FContentWidth = std::max(FContentWidth, x);
  }
}

// Rows follow the viewport's width, and the viewport follows the scroll bars
// the rows ask for; the top row keeps its text.
void TTextPane::fitRows() {
  if (FFitting) return;
  FFitting = true;
  const std::int32_t top = rowStart(std::min(firstVisibleRow(), rowCount() - 1));
  bool wrapped = false;
  for (int pass = 0; pass < 4; ++pass) {
    const QSize size = viewport()->size();
    if (size.width() != FWrapWidth) {
      wrapRows();
      wrapped = true;
    }
    updateScrollBars();
    if (viewport()->size() == size) break;
  }
  if (wrapped) {
    verticalScrollBar()->setValue(rowOf(top));
    FGoalX = -1;
    viewport()->update();
  }
  FFitting = false;
}

int TTextPane::lineOf(std::int32_t offset) const {
  return int(std::upper_bound(FLines.begin(), FLines.end(), offset) - FLines.begin()) - 1;
}

std::int32_t TTextPane::lineEnd(int line) const {
  if (line + 1 >= lineCount()) return std::int32_t(FBytes.size());
  return endBefore(FLines[std::size_t(line) + 1]);
}

// The end of the bytes shown before the line start next: its line break
// stays out.
std::int32_t TTextPane::endBefore(std::int32_t next) const {
  const bool pair =
      next >= 2 && FBytes[std::size_t(next) - 1] == '\n' && FBytes[std::size_t(next) - 2] == '\r';
  return next - (pair ? 2 : 1);
}

QString TTextPane::lineText(int line) const {
  return shownText(lineStart(line), lineEnd(line));
}

int TTextPane::rowOf(std::int32_t offset) const {
  return int(std::upper_bound(FRows.begin(), FRows.end(), offset) - FRows.begin()) - 1;
}

// A row that wraps goes on in the next row, without a line break between.
bool TTextPane::rowWraps(int row) const {
  return row + 1 < rowCount() && !isBreak(FBytes[std::size_t(FRows[std::size_t(row) + 1]) - 1]);
}

std::int32_t TTextPane::rowEnd(int row) const {
  if (row + 1 >= rowCount()) return std::int32_t(FBytes.size());
  const std::int32_t next = FRows[std::size_t(row) + 1];
  return rowWraps(row) ? next : endBefore(next);
}

// The last caret position shown on a row: where a row wraps, the caret
// stands at the start of the next row, so a wrapped row's last position is
// before its last byte.
std::int32_t TTextPane::rowLast(int row) const {
  return rowWraps(row) ? rowEnd(row) - 1 : rowEnd(row);
}

QString TTextPane::rowText(int row) const {
  return shownText(rowStart(row), rowEnd(row));
}

QString TTextPane::shownText(std::int32_t start, std::int32_t end) const {
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

// The x of every caret position of a row, from the left edge of the text:
// sums of the characters' advances, the way the row is drawn and wrapped.
void TTextPane::layoutRow(int row, std::vector<qreal>& xs) const {
  const std::int32_t start = rowStart(row);
  const std::int32_t end = rowEnd(row);
  xs.clear();
  xs.reserve(std::size_t(end - start) + 1);
  std::int64_t x = 0;
  int column = 0;
  for (std::int32_t i = start; i < end; ++i) {
    xs.push_back(pixels(x));
    x += advanceAt(FAdvance, static_cast<unsigned char>(FBytes[std::size_t(i)]), column);
  }
  xs.push_back(pixels(x));
}

qreal TTextPane::xOf(std::int32_t offset) const {
  const int row = rowOf(offset);
  std::vector<qreal> xs;
  layoutRow(row, xs);
  return xs[std::min(std::size_t(offset - rowStart(row)), xs.size() - 1)];
}

// The caret position nearest x on a row, or with nearest false the
// character under x.
std::int32_t TTextPane::offsetInRow(int row, qreal x, bool nearest) const {
  std::vector<qreal> xs;
  layoutRow(row, xs);
  const int count = int(xs.size()) - 1;
  const int last = nearest ? rowLast(row) - rowStart(row) : std::max(0, count - 1);
  // The last character that starts at or before x.
  int at = int(std::upper_bound(xs.begin(), xs.end(), x) - xs.begin()) - 1;
  at = std::clamp(at, 0, last);
  if (nearest && at < last && x - xs[std::size_t(at)] > xs[std::size_t(at) + 1] - x) ++at;
  return rowStart(row) + at;
}

int TTextPane::firstVisibleRow() const {
  return verticalScrollBar()->value();
}

int TTextPane::visibleRowCount() const {
  return std::max(1, viewport()->height() / FLineHeight);
}

QPoint TTextPane::pointOf(std::int32_t offset) const {
  offset = std::clamp(offset, 0, std::int32_t(FBytes.size()));
  const int row = rowOf(offset);
  const qreal x = xOf(offset) + Margin - horizontalScrollBar()->value();
  return {int(std::ceil(x)), (row - firstVisibleRow()) * FLineHeight + FLineHeight / 2};
}

std::int32_t TTextPane::offsetAt(QPoint viewportPos) const {
  const int down = viewportPos.y() < 0 ? -1 - (-viewportPos.y() - 1) / FLineHeight
                                       : viewportPos.y() / FLineHeight;
  const int row = std::clamp(firstVisibleRow() + down, 0, rowCount() - 1);
  return offsetInRow(row, viewportPos.x() - Margin + horizontalScrollBar()->value(), true);
}

void TTextPane::updateMetrics() {
  QFont shown = font();
  shown.setKerning(false);
  FShownFont = shown;
  FRawFont = QRawFont::fromFont(shown);
  const QFontMetricsF exact(shown);
  for (int byte = 0; byte < 256; ++byte) {
    const QChar c = shownChar(static_cast<unsigned char>(byte));
    FAdvance[std::size_t(byte)] = std::int32_t(std::lround(exact.horizontalAdvance(c) * Unit));
    quint32 glyph = 0;
    int count = 1;
    if (!FRawFont.isValid() || !FRawFont.glyphIndexesForChars(&c, 1, &glyph, &count)) glyph = 0;
    FGlyph[std::size_t(byte)] = glyph;
  }
  FWidestPlain = FWidestAdvance = 1;
  for (int byte = 0; byte < 256; ++byte) {
    const std::int32_t advance = FAdvance[std::size_t(byte)];
    if (byte != '\t') FWidestAdvance = std::max(FWidestAdvance, advance);
    if (byte >= 0x20 && byte < 0x7F) FWidestPlain = std::max(FWidestPlain, advance);
  }
  FPlainFixed = std::all_of(FAdvance.begin() + 0x20, FAdvance.begin() + 0x7F,
                            [this](std::int32_t advance) { return advance == FWidestPlain; });
  const QFontMetrics metrics(shown);
  FLineHeight = std::max(1, metrics.lineSpacing());
  FAscent = metrics.ascent();
  horizontalScrollBar()->setSingleStep(std::max(1, metrics.averageCharWidth() * 2));
}

// Rows wrap at the width, so the horizontal range stays empty unless a
// single character is wider than the pane.
void TTextPane::updateScrollBars() {
  const int visible = visibleRowCount();
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(0, std::max(0, rowCount() - visible));
  vertical->setPageStep(visible);
  vertical->setSingleStep(1);
  QScrollBar* horizontal = horizontalScrollBar();
  const int width = viewport()->width();
  const int content = int((FContentWidth + Unit - 1) / Unit);
  horizontal->setRange(0, std::max(0, content + 2 * Margin - width));
  horizontal->setPageStep(width);
}

// Draws a row in the pen's colour: as one run of glyphs straight from the
// table, or through the font's fallbacks when the font lacks a character.
void TTextPane::drawRow(QPainter& painter, QPointF baseline, int row, const std::vector<qreal>& xs,
                        std::size_t from, std::size_t to) const {
  const std::int32_t start = rowStart(row);
  // Only what the viewport shows of a wide row becomes glyphs.
  const qreal left = -baseline.x();
  const qreal right = left + viewport()->width();
  QList<quint32> glyphs;
  QList<QPointF> positions;
  glyphs.reserve(qsizetype(xs.size()));
  positions.reserve(qsizetype(xs.size()));
  for (std::size_t k = from; k + 1 < xs.size() && k < to; ++k) {
    const auto byte = static_cast<unsigned char>(FBytes[std::size_t(start) + k]);
    if (isSpace(byte) || xs[k + 1] < left || xs[k] > right) continue;
    const quint32 glyph = FGlyph[byte];
    if (glyph == 0) {
      painter.setFont(FShownFont);
      painter.drawText(baseline, rowText(row));
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
  const int first = firstVisibleRow();
  const int from = first + std::max(0, area.top()) / FLineHeight;
  const int to = std::min(rowCount() - 1, first + area.bottom() / FLineHeight);
  const qreal left = Margin - horizontalScrollBar()->value();
  const std::int32_t selFrom = selStart();
  const std::int32_t selTo = selFrom + selLength();
  std::vector<qreal> xs;
  for (int row = from; row <= to; ++row) {
    layoutRow(row, xs);
    const int top = (row - first) * FLineHeight;
    const QPointF baseline(left, top + FAscent);
    painter.setPen(textColour);
    if (FRowFormatter)
      drawFormattedRow(painter, baseline, row, xs);
    else
      drawRow(painter, baseline, row, xs);

    const std::int32_t start = rowStart(row);
    const std::int32_t end = rowEnd(row);
    // The last row of a line owns the line break, shown as one space.
    const bool ownsBreak = !rowWraps(row);
    const std::int32_t next = row + 1 < rowCount() ? rowStart(row + 1) : end;
    const std::int32_t reach = ownsBreak ? std::max(next, end + 1) : end;
    if (selFrom < reach && selTo > start && selTo > selFrom) {
      const qreal x1 = left + xs[std::size_t(std::max(selFrom, start) - start)];
      qreal x2 = left + xs[std::size_t(std::min(selTo, end) - start)];
      if (ownsBreak && selTo > end) x2 += pixels(FAdvance[' ']);
      const QRectF band(x1, top, x2 - x1, FLineHeight);
      painter.fillRect(band, highlight);
      painter.save();
      painter.setClipRect(band);
      painter.setPen(highlightedText);
      drawRow(painter, baseline, row, xs);
      painter.restore();
    }
    if (hasFocus() && rowOf(FCaret) == row)
      painter.fillRect(QRectF(left + xs[std::size_t(FCaret - start)], top, 1, FLineHeight),
                       textColour);
  }
}

// Plain bytes in the text colour, each run in its own; bold is drawn twice
// a pixel apart, so that no glyph moves.
void TTextPane::drawFormattedRow(QPainter& painter, QPointF baseline, int row,
                                 const std::vector<qreal>& xs) const {
  const std::int32_t start = rowStart(row);
  const std::int32_t end = rowEnd(row);
  // A row the raw font cannot show is drawn as one text, uncoloured.
  for (std::int32_t i = start; i < end; ++i) {
    const auto byte = static_cast<unsigned char>(FBytes[std::size_t(i)]);
    if (FGlyph[byte] == 0 && !isSpace(byte)) return drawRow(painter, baseline, row, xs);
  }
  std::vector<TRowFormatter::TFormatRun> runs;
  FRowFormatter->formatRow(start, end, runs);
  const QPen plain = painter.pen();
  std::size_t done = 0;
  const std::size_t count = std::size_t(end - start);
  for (const TRowFormatter::TFormatRun& run : runs) {
    const auto from = std::size_t(std::clamp(run.Start - start, std::int32_t(done), end - start));
    const auto to =
        std::size_t(std::clamp(run.Start + run.Length - start, std::int32_t(from), end - start));
    if (from > done) drawRow(painter, baseline, row, xs, done, from);
    painter.setPen(run.Colour);
    drawRow(painter, baseline, row, xs, from, to);
    if (run.Bold) drawRow(painter, baseline + QPointF(1, 0), row, xs, from, to);
    painter.setPen(plain);
    done = to;
  }
  if (done < count) drawRow(painter, baseline, row, xs, done, count);
}

void TTextPane::setRowFormatter(TRowFormatter* formatter) {
  FRowFormatter = formatter;
  viewport()->update();
}

void TTextPane::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  fitRows();
}

void TTextPane::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    updateMetrics();
    FWrapWidth = -1;
    fitRows();
    FGoalX = -1;
    viewport()->update();
  } else if (event->type() == QEvent::PaletteChange) {
    viewport()->update();
  }
}
