// SPDX-License-Identifier: MIT
// The line numbers beside the text pane: a gutter at the pane's left that
// numbers the first row of every line of the shown text (the rows a long
// line wraps into stay blank), scrolled with the pane and in its font.
#pragma once

#include <QWidget>

class TTextPane;

class TLineNumberGutter : public QWidget {
 public:
  explicit TLineNumberGutter(TTextPane& pane);

  // Shows or hides the gutter; the pane's text makes room for it.
  void setShown(bool shown);
  bool shown() const { return FShown; }
  // Wide enough for the highest line number of the text.
  int gutterWidth() const;
  // The number drawn at a row of the pane's viewport (0 the top), or 0 for
  // a row that continues a wrapped line or lies past the text.
  int numberAtViewportRow(int viewportRow) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void relayout();

  TTextPane& FPane;
  bool FShown = false;
};
