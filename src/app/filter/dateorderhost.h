// SPDX-License-Identifier: MIT
// What View › Date Order needs of the window: its View menu, the filter box
// it sets the order of, and the settings file that keeps the choice.
#pragma once

#include <string>

class QMenu;
class QWidget;
class TFilterBox;
class TPrompts;

class IDateOrderHost {
 public:
  virtual ~IDateOrderHost() = default;

  // The window, parent of the menu's actions and of error boxes.
  virtual QWidget& hostWindow() = 0;
  virtual QMenu* viewMenu() const = 0;
  virtual TFilterBox* filterBox() const = 0;
  virtual TPrompts& prompts() const = 0;
  virtual std::string settingsFile() const = 0;
};
