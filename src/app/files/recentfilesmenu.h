// SPDX-License-Identifier: MIT
// The File menu's list of the files opened last: "&1 path" to "&8 path",
// newest first, kept in the settings file as soon as a file opens. A listed
// file that is gone is offered for removal instead of being opened.
#pragma once

#include <QList>
#include <QObject>
#include <functional>
#include <string>

#include "recentfiles.h"

class QAction;
class QMenu;
class TPrompts;

class TRecentFilesMenu : public QObject {
 public:
  using TOpenEvent = std::function<void(const QString& fileName)>;

  // The entries go into menu before the item before; open opens a chosen
  // file. The list is read from settingsFile now.
  TRecentFilesMenu(QMenu& menu, QAction* before, TPrompts& prompts, QWidget& window,
                   std::string settingsFile, TOpenEvent open);

  // A file opened: it goes first, and the settings file keeps the list.
  void fileOpened(const QString& fileName);
  // The newest entry, or empty.
  QString lastFile() const;
  const TRecentFiles& files() const { return FFiles; }
  // The menu's entries, newest first; hidden ones are not in use.
  const QList<QAction*>& entries() const { return FEntries; }

 private:
  void refresh();
  void entryChosen(int index);
  void save();

  TPrompts& FPrompts;
  QWidget& FWindow;
  std::string FSettingsFile;
  TOpenEvent FOpen;
  TRecentFiles FFiles;
  QList<QAction*> FEntries;
  QAction* FSeparator;
};
