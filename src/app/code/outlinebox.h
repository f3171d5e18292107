// SPDX-License-Identifier: MIT
// A drop-down of the shown object's outline above the text pane: choosing
// an entry puts the caret on it; the entry that holds the caret is current.
// The outline of a new text is built once the event loop turns, so that the
// text is painted first: a long object's outline lexes all of it.
#pragma once

#include <QBasicTimer>
#include <QComboBox>
#include <vector>

#include "objectoutline.h"

class TTextPane;

class TOutlineBox : public QComboBox {
  Q_OBJECT
 public:
  TOutlineBox(TTextPane& pane, QWidget* parent = nullptr);

  const std::vector<cal::TOutlineEntry>& outline();
  // Puts the caret on entry index and scrolls it into view.
  void jumpTo(int index);
  void showPopup() override;

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  void textChanged();
  void build();
  void caretMoved();

  TTextPane& FPane;
  std::vector<cal::TOutlineEntry> FOutline;
  QBasicTimer FBuild;  // runs while the outline is behind the text
};
