// SPDX-License-Identifier: MIT
// The caret's line and column in a field of its own at the right of the
// status bar, while the text pane shows an object; the status bar's own line
// of text stays the window's.
#pragma once

#include <QLabel>

class QStatusBar;
class TTextPane;

class TCaretPosition : public QLabel {
 public:
  TCaretPosition(TTextPane& pane, QStatusBar& bar);

  // "Ln 12, Col 5": 1-based, a column per byte of the line.
  static QString positionText(const TTextPane& pane);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void refresh();

  TTextPane& FPane;
};
