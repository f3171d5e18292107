// The read-only text pane. It shows an object's bytes one character per byte
// through the OEM table and speaks byte offsets in its interface. It keeps the
// bytes and one index of line starts, and lays out only the lines it paints,
// so that showing a text of a megabyte costs little more than reading it.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QRawFont>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QPainter;

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
  int firstVisibleLine() const;
  int visibleLineCount() const;
  // The left edge of the character at offset, vertically in the middle of its
  // line, in viewport coordinates; and the caret position nearest a point.
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
  void layoutLine(int line, std::vector<qreal>& xs) const;
  void drawLine(QPainter& painter, QPointF baseline, int line, const std::vector<qreal>& xs) const;
  std::int32_t offsetInLine(int line, qreal x, bool nearest) const;
  qreal xOf(std::int32_t offset) const;
  std::int32_t snap(std::int32_t offset, bool forward) const;
  std::int32_t stepBack(std::int32_t offset) const;
  std::int32_t stepForward(std::int32_t offset) const;
  std::int32_t wordBoundary(std::int32_t offset, bool forward) const;
  void moveCaret(std::int32_t offset, bool extend);
  void setSelection(std::int32_t anchor, std::int32_t caret);
  void ensureVisible(std::int32_t offset);
  void noteWidth(qreal width);
  void updateMetrics();
  void updateScrollBars();
  void dragTo(QPoint viewportPos);

  std::string FBytes;
  std::vector<std::int32_t> FLines{0};  // start offset of every line
  std::int32_t FLongestLine = 0;        // in bytes, breaks included
  std::int32_t FAnchor = 0;
  std::int32_t FCaret = 0;
  qreal FGoalX = -1;  // the column Up and Down keep, in content pixels
  qreal FContentWidth = 0;
  QFont FShownFont;
  QRawFont FRawFont;
  std::array<qreal, 256> FAdvance{};
  std::array<quint32, 256> FGlyph{};
  int FLineHeight = 1;
  int FAscent = 0;
  bool FTabChangesFocus = false;
  bool FDragging = false;
  QBasicTimer FDragScroll;
};
