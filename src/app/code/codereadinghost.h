// SPDX-License-Identifier: MIT
// What code reading needs of the window it runs in: the text pane and its
// place, the menus it adds to, the loaded file and the selection. The main
// form implements it; code reading sees nothing else of the form.
#pragma once

#include <QList>
#include <cstdint>
#include <string>

#include "textplacement.h"

class QGridLayout;
class QMenu;
class QString;
class QWidget;
class TObjectSet;
class TObjectTreeModel;
class TPrompts;
class TTextPane;

class ICodeReadingHost {
 public:
  virtual ~ICodeReadingHost() = default;

  // The window, parent of what code reading creates and owner of its actions.
  virtual QWidget& hostWindow() = 0;
  virtual QWidget* rightPane() const = 0;
  virtual QGridLayout* rightPaneLayout() const = 0;
  virtual TTextPane* textPane() const = 0;
  virtual QMenu* editMenu() const = 0;
  virtual QMenu* viewMenu() const = 0;
  virtual void showStatusMessage(const QString& text) = 0;
  virtual TPrompts& prompts() const = 0;
  virtual std::string settingsFile() const = 0;

  virtual bool fileLoaded() const = 0;
  virtual const TObjectSet& objectSet() const = 0;
  virtual TObjectTreeModel& treeModel() const = 0;
  // The node whose panes are shown (0 the list, i + 1 object i), or -1.
  virtual int shownNode() const = 0;
  // The object of the tree's selected node, or -1.
  virtual int selectedObject() const = 0;
  // The objects of the selected list rows in ascending order.
  virtual QList<int> selectedRows() const = 0;
  // Shows object objIndex and selects byteLength bytes from byteStart in it,
  // placed in the pane as placement says.
  virtual void selectObjectText(int objIndex, std::int32_t byteStart, std::int32_t byteLength,
                                TTextPlacement placement) = 0;
};
