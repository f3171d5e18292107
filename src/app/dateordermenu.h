// SPDX-License-Identifier: MIT
// View › Date Order: how the filter reads the file's dates, when the file's
// own dates leave it open or decide it wrongly. Kept in the settings file.
#pragma once

#include <QObject>

class QAction;
class QActionGroup;
class TfrmMain;

class TDateOrderMenu : public QObject {
  Q_OBJECT

 public:
  explicit TDateOrderMenu(TfrmMain& form);

  QAction* actViewDateOrderAutomatic = nullptr;
  QAction* actViewDateOrderDayFirst = nullptr;
  QAction* actViewDateOrderMonthFirst = nullptr;

 private:
  void actViewDateOrderExecute();

  TfrmMain& FForm;
  QActionGroup* FGroup;
};
