// SPDX-License-Identifier: MIT
#include "dateordermenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "errorguard.h"
#include "filterbox.h"
#include "objectproperties.h"
#include "settings.h"
#include "stringtable.h"

TDateOrderMenu::TDateOrderMenu(IDateOrderHost& form)
    : QObject(&form.hostWindow()), FForm(form), FGroup(new QActionGroup(this)) {
  QMenu* menu = form.viewMenu()->addMenu(QString::fromUtf8(str::MenuViewDateOrder));
  auto add = [&](const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(true);
    FGroup->addAction(action);
    connect(action, &QAction::triggered, this, [this] {
      runGuarded(FForm.prompts(), &FForm.hostWindow(), [this] { actViewDateOrderExecute(); });
    });
    return action;
  };
  actViewDateOrderAutomatic = add("actViewDateOrderAutomatic", str::ActViewDateOrderAutomatic);
  actViewDateOrderDayFirst = add("actViewDateOrderDayFirst", str::ActViewDateOrderDayFirst);
  actViewDateOrderMonthFirst = add("actViewDateOrderMonthFirst", str::ActViewDateOrderMonthFirst);
  actViewDateOrderYearFirst = add("actViewDateOrderYearFirst", str::ActViewDateOrderYearFirst);

  std::optional<TDateOrder> order;
  runGuarded(form.prompts(), &form.hostWindow(),
             [&] { order = DateOrderFromName(ReadDateOrder(TIniProfile(form.settingsFile()))); });
  QAction* checked = !order                             ? actViewDateOrderAutomatic
                     : *order == TDateOrder::doDayMonth ? actViewDateOrderDayFirst
                     : *order == TDateOrder::doMonthDay ? actViewDateOrderMonthFirst
                                                        : actViewDateOrderYearFirst;
  checked->setChecked(true);
}

void TDateOrderMenu::actViewDateOrderExecute() {
  std::optional<TDateOrder> order;
  std::string name;
  if (actViewDateOrderDayFirst->isChecked()) order = TDateOrder::doDayMonth, name = "dmy";
  if (actViewDateOrderMonthFirst->isChecked()) order = TDateOrder::doMonthDay, name = "mdy";
  if (actViewDateOrderYearFirst->isChecked()) order = TDateOrder::doYearMonthDay, name = "ymd";
  TFilterBox* box = FForm.filterBox();
  TFilterOptions options = box->filterOptions();
  options.DateOrder = order;
  box->setFilterOptions(std::move(options));
  box->applyFilter();
  TIniProfile profile(FForm.settingsFile());
  WriteDateOrder(profile, name);
}
