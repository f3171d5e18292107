// SPDX-License-Identifier: MIT
#include "outlinebox.h"

#include <QSignalBlocker>

#include "oemcodepage.h"
#include "textpane.h"
#include "textplacement.h"

TOutlineBox::TOutlineBox(TTextPane& pane, QWidget* parent) : QComboBox(parent), FPane(pane) {
  setObjectName(QStringLiteral("cbxOutline"));
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(20);
  setMaxVisibleItems(30);
  connect(&pane, &TTextPane::textChanged, this, &TOutlineBox::textChanged);
  connect(&pane, &TTextPane::selectionChanged, this, &TOutlineBox::caretMoved);
  connect(this, &QComboBox::activated, this, &TOutlineBox::jumpTo);
}

void TOutlineBox::textChanged() {
  FOutline = cal::BuildOutline(FPane.bytes());
  const QSignalBlocker quiet(this);
  clear();
  for (const cal::TOutlineEntry& entry : FOutline)
    addItem(oem::toQString(cal::OutlineCaption(entry)));
  setEnabled(!FOutline.empty());
  caretMoved();
}

void TOutlineBox::caretMoved() {
  const QSignalBlocker quiet(this);
  setCurrentIndex(cal::OutlineEntryAt(FOutline, FPane.caretPosition()));
}

void TOutlineBox::jumpTo(int index) {
  if (index < 0 || index >= int(FOutline.size())) return;
  const cal::TOutlineEntry& entry = FOutline[std::size_t(index)];
  FPane.selectBytes(entry.Start, 0);
  placeOffset(FPane, entry.Start, TTextPlacement::tpNearTop);
  FPane.setFocus();
}
