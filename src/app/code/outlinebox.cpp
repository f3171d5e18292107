// SPDX-License-Identifier: MIT
#include "outlinebox.h"

#include <QSignalBlocker>
#include <QTimerEvent>

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
  FBuild.start(0, this);
}

void TOutlineBox::timerEvent(QTimerEvent* event) {
  if (event->timerId() == FBuild.timerId())
    build();
  else
    QComboBox::timerEvent(event);
}

const std::vector<cal::TOutlineEntry>& TOutlineBox::outline() {
  if (FBuild.isActive()) build();
  return FOutline;
}

void TOutlineBox::showPopup() {
  if (FBuild.isActive()) build();
  QComboBox::showPopup();
}

void TOutlineBox::build() {
  FBuild.stop();
  FOutline = cal::BuildOutline(FPane.bytes());
  const QSignalBlocker quiet(this);
  clear();
  for (const cal::TOutlineEntry& entry : FOutline)
    addItem(oem::toQString(cal::OutlineCaption(entry)));
  setEnabled(!FOutline.empty());
  caretMoved();
}

void TOutlineBox::caretMoved() {
  if (FBuild.isActive()) return;  // the build sets the entry
  const QSignalBlocker quiet(this);
  setCurrentIndex(cal::OutlineEntryAt(FOutline, FPane.caretPosition()));
}

void TOutlineBox::jumpTo(int index) {
  if (FBuild.isActive()) build();
  if (index < 0 || index >= int(FOutline.size())) return;
  const cal::TOutlineEntry& entry = FOutline[std::size_t(index)];
  FPane.selectBytes(entry.Start, 0);
  placeOffset(FPane, entry.Start, TTextPlacement::tpNearTop);
  FPane.setFocus();
}
