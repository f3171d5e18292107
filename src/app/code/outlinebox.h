// SPDX-License-Identifier: MIT
// A drop-down of the shown object's outline above the text pane: choosing
// an entry puts the caret on it; the entry that holds the caret is current.
#pragma once

#include <QComboBox>
#include <vector>

#include "objectoutline.h"

class TTextPane;

class TOutlineBox : public QComboBox {
  Q_OBJECT
 public:
  TOutlineBox(TTextPane& pane, QWidget* parent = nullptr);

  const std::vector<cal::TOutlineEntry>& outline() const { return FOutline; }
  // Puts the caret on entry index and scrolls it into view.
  void jumpTo(int index);

 private:
  void textChanged();
  void caretMoved();

  TTextPane& FPane;
  std::vector<cal::TOutlineEntry> FOutline;
};
