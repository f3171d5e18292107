// SPDX-License-Identifier: MIT
// Sorting the list by a column header: a click sorts by that column, a second
// click the other way, a third returns to file order, as View > File Order
// does. The order lives in the list's sort proxy, so the object list and the
// comparison list each keep their own while the other is on view.
#pragma once

#include <QObject>

class QAction;
class QTreeView;
class TListSortProxy;

class TListSorting : public QObject {
  Q_OBJECT
 public:
  // actViewFileOrder is made here; the owner adds it to its menu and window.
  explicit TListSorting(QTreeView& view);

  QAction* actViewFileOrder = nullptr;

  // The view's model when it is a sort proxy, or null.
  TListSortProxy* proxy() const;
  void sortBy(int column, Qt::SortOrder order);
  // File order again; also what a newly loaded file starts with.
  void fileOrder();
  // The header's mark follows the proxy now on view; the owner calls it when
  // it gives the view another model.
  void showOrder();
  // The same for any view whose model may be a sort proxy.
  static void showOrderOf(QTreeView& view);
  void actViewFileOrderUpdate();

 private:
  void headerClicked(int section);

  QTreeView& FView;
};
