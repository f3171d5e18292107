// SPDX-License-Identifier: MIT
#include "listcolumns.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>

#include "objectmodels.h"
#include "settings.h"

namespace {

// The widest texts the property columns hold: a US time, a time in brackets,
// a date literal.
const char* const WidestValues[TObjectListModel::ColumnCount] = {
    nullptr, nullptr, nullptr, "Yes", nullptr, "20180425D", "[ 7:00:00 PM]"};
// Room around a cell's text, and for the sort mark beside a header's title.
constexpr int CellPadding = 16;
constexpr int HeaderPadding = 28;

}  // namespace

TListColumns::TListColumns(QTreeView& view, QAbstractItemModel& rows, std::vector<int> designed)
    : QObject(&view),
      FView(view),
      FDesigned(std::move(designed)),
      FWidths(FDesigned),
      FByHand(FDesigned.size(), false) {
  for (std::size_t i = 0; i < FWidths.size(); ++i) FWidths[i] = fittedWidth(int(i));
  apply();
  // A reset of the rows must not reset the columns the user has sized.
  connect(&rows, &QAbstractItemModel::modelReset, this, &TListColumns::apply);
  connect(view.header(), &QHeaderView::sectionResized, this, &TListColumns::sectionResized);
  // The object list back in the view after the comparison's list.
  connect(view.header(), &QHeaderView::sectionCountChanged, this, [this](int, int count) {
    if (count >= int(FWidths.size())) apply();
  });
  view.header()->viewport()->installEventFilter(this);
  view.installEventFilter(this);
}

int TListColumns::fittedWidth(int column) const {
  const int designed = FDesigned[std::size_t(column)];
  if (column < TObjectListModel::colModified || column >= TObjectListModel::ColumnCount)
    return designed;
  const QFontMetrics metrics(FView.font());
  const QString title =
      FView.model() ? FView.model()->headerData(column, Qt::Horizontal).toString() : QString();
  int width = std::max(designed, metrics.horizontalAdvance(title) + HeaderPadding);
  if (const char* widest = WidestValues[column])
    width = std::max(width, metrics.horizontalAdvance(QString::fromLatin1(widest)) + CellPadding);
  return width;
}

void TListColumns::apply() {
  FApplying = true;
  QHeaderView* header = FView.header();
  for (std::size_t i = 0; i < FWidths.size() && int(i) < header->count(); ++i)
    header->resizeSection(int(i), FWidths[i]);
  FApplying = false;
}

void TListColumns::load(const TIniProfile& profile) {
  const std::vector<int> stored = ReadListColumnWidths(profile, FWidths.size());
  for (std::size_t i = 0; i < FWidths.size(); ++i) {
    FByHand[i] = stored[i] > 0;
    FWidths[i] = FByHand[i] ? stored[i] : fittedWidth(int(i));
    if (FByHand[i]) FUserSized = true;
  }
  apply();
}

void TListColumns::save(TIniProfile& profile) const {
  if (FUserSized) WriteListColumnWidths(profile, FWidths);
}

// Only a drag or a double-click on the header is the user's sizing; the
// program's own resizes (a reset, the comparison's columns) are not.
bool TListColumns::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &FView) {
    if (event->type() == QEvent::FontChange) {
      for (std::size_t i = 0; i < FWidths.size(); ++i)
        if (!FByHand[i]) FWidths[i] = fittedWidth(int(i));
      apply();
    }
    return false;
  }
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: FSizing = true; break;
    case QEvent::MouseButtonRelease: FSizing = false; break;
    default: break;
  }
  return false;
}

void TListColumns::sectionResized(int column, int, int newSize) {
  if (FApplying || !FSizing || column < 0 || std::size_t(column) >= FWidths.size()) return;
  // Only the object list's own columns are kept, not the comparison's
  // (which has fewer); a folder's File column comes after them.
  if (FView.model() && FView.model()->columnCount() < int(FWidths.size())) return;
  FWidths[std::size_t(column)] = newSize;
  FByHand[std::size_t(column)] = true;
  FUserSized = true;
}
