// SPDX-License-Identifier: MIT
#include "whereusedview.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QProgressDialog>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "oemcodepage.h"
#include "stringtable.h"

TWhereUsedView::TWhereUsedView(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgWhereUsed"));
  lvwWhereUsed = new QTreeWidget(this);
  lvwWhereUsed->setObjectName(QStringLiteral("lvwWhereUsed"));
  lvwWhereUsed->setRootIsDecorated(false);
  lvwWhereUsed->setUniformRowHeights(true);
  lvwWhereUsed->setAllColumnsShowFocus(true);
  lvwWhereUsed->setHeaderLabels(
      {str::text(str::ColumnObject), str::text(str::ColumnLine), str::text(str::ColumnText)});
  lvwWhereUsed->header()->resizeSection(0, 220);
  lvwWhereUsed->header()->resizeSection(1, 60);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lvwWhereUsed);
  resize(720, 320);
  // Double-click and Enter both activate a row.
  connect(lvwWhereUsed, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    const int row = lvwWhereUsed->indexOfTopLevelItem(item);
    if (row < 0 || row >= int(FUses.size())) return;
    const cal::TObjectUse& use = FUses[std::size_t(row)];
    emit showUse(use.ObjIndex, use.Reference.Start, use.Reference.Length);
  });
}

void TWhereUsedView::setUses(const QString& title, const TObjectSet& file,
                             std::vector<cal::TObjectUse> uses) {
  FUses = std::move(uses);
  setWindowTitle(title);
  lvwWhereUsed->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(qsizetype(FUses.size()));
  for (const cal::TObjectUse& use : FUses) {
    auto* item = new QTreeWidgetItem({oem::toQString(file.GetObject(use.ObjIndex).GetDisplayName()),
                                      QString::number(use.Reference.Line),
                                      oem::toQString(use.LineText.substr(0, 500))});
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    items.push_back(item);
  }
  lvwWhereUsed->addTopLevelItems(items);
  if (!items.isEmpty()) lvwWhereUsed->setCurrentItem(items.front());
}

bool TWhereUsedView::search(QWidget* parent, const TObjectSet& file, int target,
                            std::vector<cal::TObjectUse>& uses) {
  QProgressDialog progress(str::text(str::WhereUsedSearching), str::text(str::ButtonCancel), 0,
                           std::max(1, file.GetCount()), parent);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(300);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  // setValue lets a modal progress dialog take Escape and Cancel; once the
  // dialog is up it runs the event loop each time, so it is called every few
  // hundredths of a second rather than at each of the search's steps.
  QElapsedTimer sinceValue;
  const bool done = cal::FindUses(file, target, uses, [&](std::int32_t at, std::int32_t) {
    if (sinceValue.isValid() && sinceValue.elapsed() < 20) return true;
    progress.setValue(at);
    sinceValue.start();
    return !progress.wasCanceled();
  });
  return done;
}
