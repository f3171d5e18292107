// SPDX-License-Identifier: MIT
// The questions of the window as the user sees them: Qt's standard dialogs
// and message boxes.
#pragma once

#include "prompts.h"

class TDialogPrompts : public TPrompts {
 public:
  std::optional<QString> OpenFileName(QWidget* parent, const QString& filter) override;
  std::optional<QString> OpenFileNameAt(QWidget* parent, const QString& filter,
                                        const QString& start) override;
  bool Confirm(QWidget* parent, const QString& title, const QString& text) override;
  std::optional<int> AskNumber(QWidget* parent, const QString& title, const QString& label,
                               int value, int minimum, int maximum) override;
  std::optional<QStringList> AskMergeInputs(QWidget* parent) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                      const QString& proposed) override;
  std::optional<QString> ChooseDirectory(QWidget* parent, const QString& start) override;
  std::optional<QString> OpenFolderName(QWidget* parent, const QString& start) override;
  std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial) override;
  TOverwriteAnswer AskOverwrite(QWidget* parent, const QString& fileName) override;
  // message is shown as given; the error guard has already finished it.
  void ShowError(QWidget* parent, const QString& message) override;
  void ShowMessage(QWidget* parent, const QString& title, const QString& text) override;
  void Beep() override;

 private:
  // The open dialog starts from the file chosen last.
  QString FLastOpened;
};

// "Name|*.ext|Other|*.*" as Qt's dialogs want it: "Name (*.ext);;Other (*.*)".
QString qtFileFilter(const QString& filter);
