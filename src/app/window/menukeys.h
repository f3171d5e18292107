// SPDX-License-Identifier: MIT
// The menu keys every window on Windows has: F10 puts the keyboard into the
// menu bar, as Alt does, and Shift+F10 opens the focused control's popup
// menu at its current item, as the Menu key does.
#pragma once

#include <QObject>

class QMenuBar;
class QWidget;

class TMenuKeys : public QObject {
  Q_OBJECT

 public:
  // Serves the keys that the controls of window leave unhandled.
  TMenuKeys(QWidget* window, QMenuBar* menuBar);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void enterMenuBar();
  void openPopupMenu();

  QWidget* FWindow;
  QMenuBar* FMenuBar;
};
