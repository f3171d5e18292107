// SPDX-License-Identifier: MIT
#include "linenumbers.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "textpane.h"

namespace {

constexpr int GutterPadding = 4;  // each side of the numbers

}  // namespace

TLineNumberGutter::TLineNumberGutter(TTextPane& pane) : QWidget(&pane), FPane(pane) {
  setObjectName(QStringLiteral("gtrLineNumbers"));
  hide();
  pane.installEventFilter(this);
  pane.viewport()->installEventFilter(this);
  connect(pane.verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { update(); });
  connect(&pane, &TTextPane::textChanged, this, &TLineNumberGutter::relayout);
}

void TLineNumberGutter::setShown(bool shown) {
  FShown = shown;
  setVisible(shown);
  relayout();
}

int TLineNumberGutter::gutterWidth() const {
  const int digits = int(QString::number(std::max(1, FPane.lineCount())).size());
  return FPane.fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 2) +
         2 * GutterPadding;
}

int TLineNumberGutter::numberAtViewportRow(int viewportRow) const {
  const int row = FPane.firstVisibleRow() + viewportRow;
  if (row < 0 || row >= FPane.rowCount()) return 0;
  const std::int32_t start = FPane.rowStart(row);
  const int line = FPane.lineOf(start);
  return FPane.lineStart(line) == start ? line + 1 : 0;
}

// The pane's frame holds the viewport; the gutter takes the viewport's left.
void TLineNumberGutter::relayout() {
  const int width = FShown ? gutterWidth() : 0;
  FPane.setLeftMargin(width);
  const QRect view = FPane.viewport()->geometry();
  setGeometry(view.left() - width, view.top(), width, view.height());
  update();
}

// The viewport has its new size only once the pane has laid it out.
bool TLineNumberGutter::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == FPane.viewport() && event->type() == QEvent::Resize) ||
      (watched == &FPane && event->type() == QEvent::FontChange))
    relayout();
  return false;
}

void TLineNumberGutter::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), palette().color(QPalette::Window));
  painter.setFont(FPane.font());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  const int height = FPane.rowHeight();
  const int rows = this->height() / height + 1;
  for (int i = 0; i < rows; ++i) {
    const int number = numberAtViewportRow(i);
    if (number == 0) continue;
    const QRect cell(0, i * height, width() - GutterPadding, height);
    painter.drawText(cell, Qt::AlignRight | Qt::AlignVCenter, QString::number(number));
  }
}
