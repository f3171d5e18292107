// SPDX-License-Identifier: MIT
// The read-only text pane. It shows an object's bytes one character per byte
// through the OEM table and speaks byte offsets in its interface. It keeps the
// bytes, one index of line starts and one of the rows those lines wrap into at
// the pane's width, and lays out only the rows it paints, so that showing a
// text of a megabyte costs little more than reading it.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QRawFont>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QPainter;

// Colours byte ranges of the rows the pane paints; it only chooses how the
// bytes look, never where they stand.
class TRowFormatter {
 public:
  struct TFormatRun {
    std::int32_t Start;  // byte offset in the pane's text
    std::int32_t Length;
    QColor Colour;
    bool Bold;
  };
  virtual ~TRowFormatter() = default;
  // Runs that lie in [start, end), in order and not overlapping; bytes
  // outside every run are painted plain.
  virtual void formatRow(std::int32_t start, std::int32_t end, std::vector<TFormatRun>& runs) = 0;
};

class TTextPane : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TTextPane(QWidget* parent = nullptr);

  // Shows bytes with the caret at the start, nothing selected, scrolled to
  // the top.
  void setBytes(std::string bytes);
  void clearBytes();
  const std::string& bytes() const { return FBytes; }
  QString toPlainText() const;

  // The selection in bytes, start 0-based. Its ends never fall between the
  // CR and the LF of a pair: a CR LF is two bytes and one step of the caret.
  std::int32_t selStart() const;
  std::int32_t selLength() const;
  std::string selectedBytes() const;
  // Selects length bytes from start (clamped to the text) and scrolls the
  // selection into view; the caret goes to its end.
  void selectBytes(std::int32_t start, std::int32_t length);
  void selectAll();
  std::int32_t caretPosition() const { return FCaret; }

  // Not owned; null paints every byte plain.
  void setRowFormatter(TRowFormatter* formatter);
  TRowFormatter* rowFormatter() const { return FRowFormatter; }

  bool tabChangesFocus() const { return FTabChangesFocus; }
  void setTabChangesFocus(bool changes) { FTabChangesFocus = changes; }

  // A line ends at a CR LF, a lone CR or a lone LF; a text that ends in a
  // break has an empty last line.
  int lineCount() const { return int(FLines.size()); }
  int lineOf(std::int32_t offset) const;
  std::int32_t lineStart(int line) const { return FLines[std::size_t(line)]; }
  std::int32_t lineEnd(int line) const;
  // A line as painted: tabs expanded to the next multiple of eight columns,
  // control bytes shown as their pictures, every other byte through the OEM
  // table.
  QString lineText(int line) const;

  // A line wider than the pane wraps into rows: after the last space that
  // fits, or else after the last character that fits. A row is a byte range
  // of its line; the offset where a line wraps belongs to the lower row.
  int rowCount() const { return int(FRows.size()); }
  int rowOf(std::int32_t offset) const;
  std::int32_t rowStart(int row) const { return FRows[std::size_t(row)]; }
  // The end of the row's bytes: where the next row starts, or for the last
  // row of a line the line's end.
  std::int32_t rowEnd(int row) const;
  QString rowText(int row) const;
  int firstVisibleRow() const;
  // The height of a row in pixels.
  int rowHeight() const { return FLineHeight; }
  // Room left of the text for what a feature draws beside it (line
  // numbers); the rows wrap in the width that is left.
  void setLeftMargin(int width);
  int visibleRowCount() const;
  // The left edge of the character at offset, vertically in the middle of its
  // row, in viewport coordinates; and the caret position nearest a point.
  QPoint pointOf(std::int32_t offset) const;
  std::int32_t offsetAt(QPoint viewportPos) const;

 signals:
  void textChanged();
  void selectionChanged();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void indexLines();
  void wrapRows();
  void fitRows();
  bool rowWraps(int row) const;
  std::int32_t rowLast(int row) const;
  std::int32_t endBefore(std::int32_t next) const;
  QString shownText(std::int32_t start, std::int32_t end) const;
  void layoutRow(int row, std::vector<qreal>& xs) const;
  void drawRow(QPainter& painter, QPointF baseline, int row, const std::vector<qreal>& xs,
               std::size_t from = 0, std::size_t to = SIZE_MAX) const;
  void drawFormattedRow(QPainter& painter, QPointF baseline, int row,
                        const std::vector<qreal>& xs) const;
  std::int32_t offsetInRow(int row, qreal x, bool nearest) const;
  qreal xOf(std::int32_t offset) const;
  std::int32_t snap(std::int32_t offset, bool forward) const;
  std::int32_t stepBack(std::int32_t offset) const;
  std::int32_t stepForward(std::int32_t offset) const;
  std::int32_t wordBoundary(std::int32_t offset, bool forward) const;
  void moveCaret(std::int32_t offset, bool extend);
  void setSelection(std::int32_t anchor, std::int32_t caret);
  void ensureVisible(std::int32_t offset);
  void updateMetrics();
  void updateScrollBars();
  void dragTo(QPoint viewportPos);

  std::string FBytes;
  std::vector<std::int32_t> FLines{0};  // start offset of every line
  std::vector<std::int32_t> FRows{0};   // start offset of every row
  int FWrapWidth = -1;                  // the viewport width the rows fit
  bool FFitting = false;
  std::int32_t FAnchor = 0;
  std::int32_t FCaret = 0;
  qreal FGoalX = -1;  // the column Up and Down keep, in content pixels
  // Widths in 64ths of a pixel: whole numbers add up exactly and quickly.
  std::int64_t FContentWidth = 0;
  std::array<std::int32_t, 256> FAdvance{};
  std::int32_t FWidestAdvance = 1;  // of every byte but the tab
  std::int32_t FWidestPlain = 1;    // of the printable ASCII characters
  bool FPlainFixed = false;         // all printable ASCII characters as wide as that
  QFont FShownFont;
  QRawFont FRawFont;
  std::array<quint32, 256> FGlyph{};
  int FLineHeight = 1;
  int FAscent = 0;
  bool FTabChangesFocus = false;
  bool FDragging = false;
  QBasicTimer FDragScroll;
  TRowFormatter* FRowFormatter = nullptr;
};
