// SPDX-License-Identifier: MIT
// File > Reload: reads the loaded file or folder again and comes back to the same
// place: the object of the same type and number with its selection, or the
// list with the same objects selected. The filter box is left as it is, so
// its filter holds for the new rows.
#pragma once

#include <QList>
#include <QObject>
#include <cstdint>

class QAction;
class QString;
class QWidget;
class TObjectSet;
class TPrompts;
class TTextPane;

class IReloadHost {
 public:
  virtual ~IReloadHost() = default;
  virtual QWidget& hostWindow() = 0;
  virtual TPrompts& prompts() const = 0;
  virtual bool fileLoaded() const = 0;
  virtual const TObjectSet& objectSet() const = 0;
  // The file or folder the loaded set was read from.
  virtual QString loadedPath() const = 0;
  virtual TTextPane* textPane() const = 0;
  // The node whose panes are shown (0 the list, i + 1 object i), or -1.
  virtual int shownNode() const = 0;
  // The objects of the selected list rows in ascending order.
  virtual QList<int> selectedRows() const = 0;
  // Opens the file or folder again as the same document: the list keeps its order.
  virtual void reopenFile(const QString& fileName) = 0;
  virtual void selectObjectText(int objIndex, std::int32_t byteStart, std::int32_t byteLength) = 0;
  virtual void selectListObjects(const QList<int>& objects) = 0;
};

class TReload : public QObject {
 public:
  // The action goes to the host window for its shortcut; the host puts it
  // in its File menu.
  explicit TReload(IReloadHost& host);

  QAction* actFileReload = nullptr;
  void actFileReloadExecute();
  void actFileReloadUpdate();
  // For an error that says the loaded file changed since it was read: shows
  // message, asks whether to read the file again, and does on Yes.
  void offerReload(const QString& message);

 private:
  IReloadHost& FHost;
};
