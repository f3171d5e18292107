// SPDX-License-Identifier: MIT
#include "caretposition.h"

#include <QEvent>
#include <QStatusBar>

#include "stringtable.h"
#include "textpane.h"

TCaretPosition::TCaretPosition(TTextPane& pane, QStatusBar& bar) : QLabel(&bar), FPane(pane) {
  setObjectName(QStringLiteral("lblCaretPosition"));
  setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Ln 99999, Col 9999")));
  bar.addPermanentWidget(this);
  connect(&pane, &TTextPane::selectionChanged, this, &TCaretPosition::refresh);
  connect(&pane, &TTextPane::textChanged, this, &TCaretPosition::refresh);
  pane.installEventFilter(this);
  refresh();
}

QString TCaretPosition::positionText(const TTextPane& pane) {
  const std::int32_t caret = pane.caretPosition();
  const int line = pane.lineOf(caret);
  return QString::asprintf(str::CaretPositionFormat, line + 1,
                           int(caret - pane.lineStart(line)) + 1);
}

bool TCaretPosition::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::Show || event->type() == QEvent::Hide) refresh();
  return false;
}

void TCaretPosition::refresh() {
  const bool objectShown = !FPane.isHidden() && !FPane.bytes().empty();
  setVisible(objectShown);
  if (objectShown) setText(positionText(FPane));
}
