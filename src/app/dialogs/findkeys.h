// SPDX-License-Identifier: MIT
// Find Next (F3) and Find Previous (Shift+F3): the last search again,
// forwards or backwards, without the find dialog; with nothing to search
// for yet, F3 opens the dialog.
#pragma once

#include <QObject>

class QAction;
class QWidget;
class TPrompts;

class IFindKeysHost {
 public:
  virtual ~IFindKeysHost() = default;
  virtual QWidget& hostWindow() = 0;
  virtual TPrompts& prompts() const = 0;
  virtual bool fileLoaded() const = 0;
  // Whether the find dialog holds a text to search for.
  virtual bool findTextGiven() const = 0;
  virtual void openFindDialog() = 0;
  // One search with the dialog's text and options.
  virtual void findAgain(bool backward) = 0;
};

class TFindKeys : public QObject {
 public:
  // The actions go to the host window for their shortcuts; the host puts
  // them in its Edit menu.
  explicit TFindKeys(IFindKeysHost& host);

  QAction* actEditFindNext = nullptr;
  QAction* actEditFindPrevious = nullptr;

  void actEditFindNextExecute();
  void actEditFindPreviousExecute();
  void updateActions();

 private:
  IFindKeysHost& FHost;
};
