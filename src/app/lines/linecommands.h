// SPDX-License-Identifier: MIT
// The text pane's line commands: View > Line Numbers, which the settings
// file keeps once switched, Edit > Go to Line (Ctrl+G), and the caret's line
// and column at the right of the status bar.
#pragma once

#include <QObject>
#include <string>

class QAction;
class QStatusBar;
class QWidget;
class TCaretPosition;
class TLineNumberGutter;
class TPrompts;
class TTextPane;

class TLineCommands : public QObject {
 public:
  // The actions go to window for their shortcuts; the owner puts them in
  // its menus. Whether line numbers show is read from settingsFile now.
  TLineCommands(TTextPane& pane, QStatusBar& bar, TPrompts& prompts, QWidget& window,
                std::string settingsFile);

  QAction* actViewLineNumbers = nullptr;
  QAction* actEditGoToLine = nullptr;
  TLineNumberGutter* gutter() const { return FGutter; }
  TCaretPosition* caretPosition() const { return FCaretPosition; }

  void actViewLineNumbersExecute();
  void actEditGoToLineExecute();
  void actEditGoToLineUpdate();

 private:
  TTextPane& FPane;
  TPrompts& FPrompts;
  QWidget& FWindow;
  std::string FSettingsFile;
  TLineNumberGutter* FGutter;
  TCaretPosition* FCaretPosition;
};
