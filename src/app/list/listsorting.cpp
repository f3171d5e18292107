// SPDX-License-Identifier: MIT
#include "listsorting.h"

#include <QAction>
#include <QHeaderView>
#include <QTreeView>

#include "listsortproxy.h"
#include "stringtable.h"

TListSorting::TListSorting(QTreeView& view) : QObject(&view), FView(view) {
  QHeaderView* header = view.header();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  connect(header, &QHeaderView::sectionClicked, this, &TListSorting::headerClicked);
  actViewFileOrder = new QAction(str::text(str::ActViewFileOrder), this);
  actViewFileOrder->setObjectName(QStringLiteral("actViewFileOrder"));
  connect(actViewFileOrder, &QAction::triggered, this, &TListSorting::fileOrder);
}

TListSortProxy* TListSorting::proxy() const {
  return dynamic_cast<TListSortProxy*>(FView.model());
}

// The header has flipped its own mark already; the proxy's order decides.
void TListSorting::headerClicked(int section) {
  TListSortProxy* sort = proxy();
  if (!sort) return;
  if (sort->sortColumn() != section)
    sortBy(section, Qt::AscendingOrder);
  else if (sort->sortOrder() == Qt::AscendingOrder)
    sortBy(section, Qt::DescendingOrder);
  else
    fileOrder();
}

void TListSorting::sortBy(int column, Qt::SortOrder order) {
  if (TListSortProxy* sort = proxy()) sort->sort(column, order);
  showOrder();
  // The focused row stays in view wherever the order put it.
  if (FView.currentIndex().isValid()) FView.scrollTo(FView.currentIndex());
}

void TListSorting::fileOrder() {
  if (TListSortProxy* sort = proxy()) sort->unsort();
  showOrder();
  if (FView.currentIndex().isValid()) FView.scrollTo(FView.currentIndex());
}

void TListSorting::showOrder() {
  showOrderOf(FView);
}

void TListSorting::showOrderOf(QTreeView& view) {
  const auto* sort = dynamic_cast<const TListSortProxy*>(view.model());
  if (sort && sort->sorted())
    view.header()->setSortIndicator(sort->sortColumn(), sort->sortOrder());
  else
    view.header()->setSortIndicator(-1, Qt::AscendingOrder);
}

void TListSorting::actViewFileOrderUpdate() {
  const TListSortProxy* sort = proxy();
  actViewFileOrder->setEnabled(sort && sort->sorted());
}
