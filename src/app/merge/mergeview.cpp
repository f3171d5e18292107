// SPDX-License-Identifier: MIT
#include "mergeview.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>

#include "stringtable.h"
#include "textpane.h"

namespace {

TTextPane* textPane(QWidget* parent) {
  auto* pane = new TTextPane(parent);
  pane->setTabChangesFocus(true);
  return pane;
}

}  // namespace

TMergeView::TMergeView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("mvwMerge"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* split = new QSplitter(Qt::Horizontal, this);
  layout->addWidget(split);

  lvwMerge = new QTreeView(split);
  lvwMerge->setObjectName(QStringLiteral("lvwMerge"));
  lvwMerge->setRootIsDecorated(false);
  lvwMerge->setUniformRowHeights(true);
  lvwMerge->setSelectionMode(QAbstractItemView::SingleSelection);
  lvwMerge->header()->setStretchLastSection(false);

  auto* texts = new QSplitter(Qt::Vertical, split);
  memMerge = textPane(texts);
  memMerge->setObjectName(QStringLiteral("memMerge"));
  pnlConflict = new QWidget(texts);
  auto* conflict = new QVBoxLayout(pnlConflict);
  conflict->setContentsMargins(0, 4, 0, 0);
  auto* top = new QHBoxLayout;
  lblConflict = new QLabel(pnlConflict);
  btnPrevious = new QPushButton(str::text(str::PreviousConflict), pnlConflict);
  btnNext = new QPushButton(str::text(str::NextConflict), pnlConflict);
  top->addWidget(lblConflict, 1);
  top->addWidget(btnPrevious);
  top->addWidget(btnNext);
  conflict->addLayout(top);

  auto* sides = new QSplitter(Qt::Horizontal, pnlConflict);
  const char* const names[3] = {"ORIGINAL", "MODIFIED", "TARGET"};
  for (int side = 0; side < 3; ++side) {
    auto* column = new QWidget(sides);
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->addWidget(new QLabel(QLatin1String(names[side]), column));
    memSide[side] = textPane(column);
    columnLayout->addWidget(memSide[side], 1);
  }
  conflict->addWidget(sides, 1);

  auto* choices = new QHBoxLayout;
  const char* const takes[4] = {str::TakeOriginal, str::TakeModified, str::TakeTarget,
                                str::TakeBoth};
  for (int choice = 0; choice < 4; ++choice) {
    btnTake[choice] = new QPushButton(str::text(takes[choice]), pnlConflict);
    choices->addWidget(btnTake[choice]);
  }
  choices->addStretch(1);
  conflict->addLayout(choices);

  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setSizes({400, 600});
  texts->setSizes({400, 300});
}

void TMergeView::setTextFont(const QFont& font) {
  for (TTextPane* pane : {memMerge, memSide[0], memSide[1], memSide[2]})
    if (pane->font() != font) pane->setFont(font);
}
