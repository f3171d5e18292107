// SPDX-License-Identifier: MIT
#include "diffpane.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

class TDiffPane::TGutter : public QWidget {
 public:
  explicit TGutter(TDiffPane* pane) : QWidget(pane), FPane(pane) {}

 protected:
  void paintEvent(QPaintEvent* event) override { FPane->paintGutter(event); }

 private:
  TDiffPane* FPane;
};

TDiffPane::TDiffPane(QWidget* parent) : TTextPane(parent), FGutter(new TGutter(this)) {
  FGutter->setAutoFillBackground(true);
  FGutter->setBackgroundRole(QPalette::Window);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, FGutter, [this] { FGutter->update(); });
  connect(this, &TTextPane::textChanged, this, &TDiffPane::updateGutter);
  updateGutter();
}

void TDiffPane::setDiff(std::string_view oldText, std::string_view newText) {
  std::string text;
  FInfo.clear();
  FChanges.clear();
  std::int32_t largest = 0;
  for (const TDiffHunk& hunk : DiffLines(oldText, newText)) {
    text += "@@ -" + std::to_string(hunk.OldStart) + ',' + std::to_string(hunk.OldCount) + " +" +
            std::to_string(hunk.NewStart) + ',' + std::to_string(hunk.NewCount) + " @@\n";
    FInfo.push_back({TRowKind::rkHunk, 0, 0});
    for (const TDiffLine& line : hunk.Lines) {
      const std::string_view source = line.Kind == TDiffLineKind::dlAdded ? newText : oldText;
      text += source.substr(line.Begin, std::size_t(line.Length) + line.BreakLength);
      // Each diff line is one line of the pane: a NUL or a missing break at
      // the end of the text gets a line feed after it.
      const char last = line.BreakLength ? source[line.Begin + line.Length] : '\0';
      if (line.BreakLength == 0 || last == '\0') text += '\n';
      const TRowKind kind = line.Kind == TDiffLineKind::dlContext   ? TRowKind::rkContext
                            : line.Kind == TDiffLineKind::dlRemoved ? TRowKind::rkRemoved
                                                                    : TRowKind::rkAdded;
      if (kind != TRowKind::rkContext &&
          (FInfo.empty() ||
           (FInfo.back().Kind != TRowKind::rkRemoved && FInfo.back().Kind != TRowKind::rkAdded)))
        FChanges.push_back(int(FInfo.size()));
      FInfo.push_back({kind, line.OldNumber, line.NewNumber});
      largest = std::max({largest, line.OldNumber, line.NewNumber});
    }
  }
  FDigits = int(std::to_string(largest).size());
  setBytes(std::move(text));
}

void TDiffPane::clearDiff() {
  FInfo.clear();
  FChanges.clear();
  clearBytes();
}

bool TDiffPane::moveToChange(int line) {
  if (line < 0 || line >= lineCount()) return false;
  selectBytes(lineStart(line), 0);
  return true;
}

bool TDiffPane::nextChange() {
  const int current = lineOf(caretPosition());
  const auto next = std::upper_bound(FChanges.begin(), FChanges.end(), current);
  return next != FChanges.end() && moveToChange(*next);
}

bool TDiffPane::previousChange() {
  const int current = lineOf(caretPosition());
  const auto next = std::lower_bound(FChanges.begin(), FChanges.end(), current);
  return next != FChanges.begin() && moveToChange(*(next - 1));
}

QColor TDiffPane::tint(TRowKind kind) {
  switch (kind) {
    case TRowKind::rkHunk: return QColor(226, 232, 244);
    case TRowKind::rkRemoved: return QColor(255, 221, 221);
    case TRowKind::rkAdded: return QColor(214, 245, 214);
    case TRowKind::rkContext: break;
  }
  return {};
}

// The tints go under the rows before the pane paints its text over them.
void TDiffPane::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(viewport());
    const int rowHeight = std::max(1, QFontMetrics(font()).lineSpacing());
    const int first = firstVisibleRow();
    const int last = std::min(rowCount(), first + visibleRowCount() + 1);
    for (int row = first; row < last; ++row) {
      const int line = lineOf(rowStart(row));
      if (line < 0 || std::size_t(line) >= FInfo.size()) continue;
      const QColor colour = tint(FInfo[std::size_t(line)].Kind);
      if (colour.isValid())
        painter.fillRect(QRect(0, (row - first) * rowHeight, viewport()->width(), rowHeight),
                         colour);
    }
  }
  TTextPane::paintEvent(event);
}

void TDiffPane::paintGutter(QPaintEvent* event) {
  QPainter painter(FGutter);
  painter.setFont(font());
  const QFontMetrics metrics(font());
  const int rowHeight = std::max(1, metrics.lineSpacing());
  const int column = metrics.horizontalAdvance(QLatin1Char('0')) * FDigits;
  const int gap = metrics.horizontalAdvance(QLatin1Char(' '));
  const int first = firstVisibleRow();
  const int last = std::min(rowCount(), first + visibleRowCount() + 1);
  for (int row = first; row < last; ++row) {
    const int line = lineOf(rowStart(row));
    // Numbers only on the first row of a wrapped line.
    if (line < 0 || std::size_t(line) >= FInfo.size() || lineStart(line) != rowStart(row)) continue;
    const TLineInfo& info = FInfo[std::size_t(line)];
    const QRect band(0, (row - first) * rowHeight, FGutter->width(), rowHeight);
    if (tint(info.Kind).isValid()) painter.fillRect(band, tint(info.Kind));
    painter.setPen(palette().color(QPalette::Text));
    auto number = [&](int left, std::int32_t value) {
      if (value > 0)
        painter.drawText(QRect(left, band.top(), column, rowHeight),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(value));
    };
    number(gap, info.OldNumber);
    number(2 * gap + column, info.NewNumber);
    const char* mark = info.Kind == TRowKind::rkRemoved ? "-"
                       : info.Kind == TRowKind::rkAdded ? "+"
                                                        : nullptr;
    if (mark)
      painter.drawText(QRect(3 * gap + 2 * column, band.top(), gap * 2, rowHeight),
                       Qt::AlignHCenter | Qt::AlignVCenter, QLatin1String(mark));
  }
  (void)event;
}

void TDiffPane::updateGutter() {
  const QFontMetrics metrics(font());
  const int width = metrics.horizontalAdvance(QLatin1Char('0')) * FDigits * 2 +
                    metrics.horizontalAdvance(QLatin1Char(' ')) * 5;
  setViewportMargins(width, 0, 0, 0);
  const QRect area = viewport()->geometry();
  FGutter->setGeometry(area.left() - width, area.top(), width, area.height());
  FGutter->update();
}

void TDiffPane::resizeEvent(QResizeEvent* event) {
  TTextPane::resizeEvent(event);
  updateGutter();
}

void TDiffPane::changeEvent(QEvent* event) {
  TTextPane::changeEvent(event);
  if (event->type() == QEvent::FontChange) updateGutter();
}
