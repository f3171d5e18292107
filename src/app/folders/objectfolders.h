// SPDX-License-Identifier: MIT
// The window's folder commands: File > Open Folder, Compare With Folder and
// Save As One File, and the folder that is the loaded set while one is open.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "foldershost.h"
#include "objectfolder.h"

class QAction;

class TObjectFolders : public QObject {
 public:
  // The actions go to the host window for their shortcuts; the host puts
  // them in its File menu.
  explicit TObjectFolders(IFoldersHost& host);
  ~TObjectFolders() override;

  QAction* actFileOpenFolder = nullptr;
  QAction* actFileCompareWithFolder = nullptr;
  QAction* actFileSaveAsOneFile = nullptr;
  void actFileOpenFolderExecute();
  void actFileCompareWithFolderExecute();
  void actFileSaveAsOneFileExecute();
  void updateActions();

  // Loads path as the window's set when it names a folder and returns true;
  // otherwise forgets any folder loaded and returns false. A failed load
  // leaves no folder loaded.
  bool loadIfFolder(const QString& path);
  void clear();
  // Null while no folder is loaded.
  const TObjectFolder* folder() const { return FFolder.get(); }
  // The loaded folder's own name, for the tree's root and the caption.
  QString folderName() const;
  QString folderPath() const { return FPath; }
  // The file of object index relative to the folder, as the list shows it.
  QString relativePath(int index) const;
  // count, the status after a load, with the files the folder's load skipped
  // because they hold no object.
  QString loadNotice(const QString& count) const;
  // Orders objects a and b by their files, for the list's File column.
  int compareFiles(int a, int b) const;

 private:
  IFoldersHost& FHost;
  std::unique_ptr<TObjectFolder> FFolder;
  QString FPath;
};

// The loaded set joined into one file at path, in export order; a path the
// set reads is refused before anything is written.
void SaveAsOneFile(const TObjectSet& set, const std::string& path);
