// SPDX-License-Identifier: MIT
// View › Date Order: how the filter reads the file's dates, when the file's
// own dates leave it open or decide it wrongly. Kept in the settings file.
#pragma once

#include <QObject>

#include "dateorderhost.h"

class QAction;
class QActionGroup;

class TDateOrderMenu : public QObject {
  Q_OBJECT

 public:
  explicit TDateOrderMenu(IDateOrderHost& form);

  QAction* actViewDateOrderAutomatic = nullptr;
  QAction* actViewDateOrderDayFirst = nullptr;
  QAction* actViewDateOrderMonthFirst = nullptr;
  QAction* actViewDateOrderYearFirst = nullptr;

 private:
  void actViewDateOrderExecute();

  IDateOrderHost& FForm;
  QActionGroup* FGroup;
};
