// SPDX-License-Identifier: MIT
// What the merge needs of the window it runs in: the working area whose
// place it takes, the loaded file, the prompts and the status bar. The main
// form implements it; the merge sees nothing else of the form.
#pragma once

class QString;
class QWidget;
class TImageList;
class TObjectTextFile;
class TPrompts;
class TTextPane;

class IMergeHost {
 public:
  virtual ~IMergeHost() = default;

  // The window, parent of what the merge creates.
  virtual QWidget& hostWindow() = 0;
  // The tree and the panes beside it: hidden while the merge is shown in
  // their place, and shown again as they were when it ends.
  virtual QWidget* workArea() const = 0;
  // The text pane, whose font the merge's texts take.
  virtual TTextPane* textPane() const = 0;
  virtual const TImageList& imlTreeView() const = 0;
  // The loaded file: an input that is this file is read through it, and
  // the result is never written over it.
  virtual TObjectTextFile& objectTextFile() const = 0;
  virtual TPrompts& prompts() const = 0;
  virtual void showStatusMessage(const QString& text) = 0;
};
