// SPDX-License-Identifier: MIT
// The three sides of a merge, each typed, or chosen as a file with its
// Browse button or as a folder with its Folder button.
#pragma once

#include <QDialog>
#include <QStringList>
#include <optional>

class QLineEdit;
class QPushButton;

class TMergeDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TMergeDialog(QWidget* parent);

  // ORIGINAL, MODIFIED, TARGET.
  QStringList paths() const;
  QLineEdit* path(int side) const { return FPaths[side]; }

 private:
  void browse(int side, bool folder);
  void updateOk();

  QLineEdit* FPaths[3] = {};
  QPushButton* FOk = nullptr;
};

// ORIGINAL, MODIFIED and TARGET; nothing when cancelled.
std::optional<QStringList> AskMergeInputsDialog(QWidget* parent);
