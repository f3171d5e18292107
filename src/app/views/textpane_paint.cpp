// SPDX-License-Identifier: MIT
// The text pane's metrics, scroll bars and painting.
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
