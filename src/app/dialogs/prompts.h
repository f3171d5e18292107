// SPDX-License-Identifier: MIT
// Every question the window puts to the user goes through TPrompts, so that
// tests answer by script while the program shows the real dialogs.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

// TOverwriteAnswer: the export loop of the core acts on the same answers.
#include "exporter.h"

class QWidget;

class TPrompts {
 public:
  virtual ~TPrompts() = default;

  // The open-file dialog; nothing when cancelled.
  virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& filter) = 0;
  // The save-file dialog with its title, filter and proposed name; it asks
  // itself before an existing file is overwritten. Nothing when cancelled.
  virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& title,
                                              const QString& filter, const QString& proposed) = 0;
  // The directory chooser starting at start. It lets the user type a
  // directory that does not exist yet and asks before creating it. Nothing
  // when cancelled; a confirmed empty name comes back as an empty string.
  virtual std::optional<QString> ChooseDirectory(QWidget* parent, const QString& start) = 0;
  // The font dialog preset with initial; nothing when cancelled.
  virtual std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial) = 0;
  // "%s already exists.\r\nDo you want to replace it?" with Yes, No, Cancel, Yes to All.
  virtual TOverwriteAnswer AskOverwrite(QWidget* parent, const QString& fileName) = 0;
  // The default error display: error icon, OK, the application title as caption.
  virtual void ShowError(QWidget* parent, const QString& message) = 0;
  // A plain message box with one OK button and no icon.
  virtual void ShowMessage(QWidget* parent, const QString& title, const QString& text) = 0;
  virtual void Beep() = 0;

  // Questions that only some features ask; a prompt set that never meets
  // them answers as the user who cancels.
  // The open-file dialog starting at start, a file or a folder (empty: where
  // it would start anyway).
  virtual std::optional<QString> OpenFileNameAt(QWidget* parent, const QString& filter,
                                                const QString& start) {
    (void)start;
    return OpenFileName(parent, filter);
  }
  // A dialog that picks an existing folder, starting at start; nothing when cancelled.
  virtual std::optional<QString> OpenFolderName(QWidget* parent, const QString& start) {
    (void)parent, (void)start;
    return std::nullopt;
  }
  // A question with Yes and No; true for Yes.
  virtual bool Confirm(QWidget* parent, const QString& title, const QString& text) {
    (void)parent, (void)title, (void)text;
    return false;
  }
  // A whole number from minimum to maximum, value offered first.
  virtual std::optional<int> AskNumber(QWidget* parent, const QString& title, const QString& label,
                                       int value, int minimum, int maximum) {
    (void)parent, (void)title, (void)label, (void)value, (void)minimum, (void)maximum;
    return std::nullopt;
  }
  // The three files of a merge: ORIGINAL, MODIFIED, TARGET.
  virtual std::optional<QStringList> AskMergeInputs(QWidget* parent) {
    (void)parent;
    return std::nullopt;
  }
};
