// SPDX-License-Identifier: MIT
// What the folder commands need of the window: the loaded set, a way to
// open a file or a folder as the document, the comparison, and the window's
// own file, which a folder's load must let go of first.
#pragma once

class QString;
class QWidget;
class TObjectSet;
class TPrompts;

class IFoldersHost {
 public:
  virtual ~IFoldersHost() = default;

  // The window, parent of the actions and of every dialog.
  virtual QWidget& hostWindow() = 0;
  virtual TPrompts& prompts() const = 0;
  virtual bool fileLoaded() const = 0;
  virtual const TObjectSet& objectSet() const = 0;
  // Opens a file or a folder as the loaded set, as File > Open does.
  virtual void OpenFile(const QString& path) = 0;
  // Compares the loaded set with a file or a folder, as File > Compare With does.
  virtual void compareWith(const QString& path) = 0;
  // Empties the window's file and gives up its hold, so that a folder
  // holding that file can be read.
  virtual void releaseFile() = 0;
};
