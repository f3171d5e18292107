// SPDX-License-Identifier: MIT
// The directory chooser of a multiple export. Unlike the platform's own, it
// takes a typed directory that does not exist yet and creates it.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

class QFileSystemModel;
class QLineEdit;
class QTreeView;

// Asked before a directory that does not exist is created; true to create it.
using TConfirmCreateDirectory = std::function<bool(QWidget* parent)>;

class TDirectoryChooser : public QDialog {
  Q_OBJECT

 public:
  // Without confirm, the real "Confirm" box asks.
  TDirectoryChooser(QWidget* parent, const QString& start, TConfirmCreateDirectory confirm = {});

  // The confirmed directory, absolute and in native form; empty when the
  // name was left empty.
  QString Directory() const { return FDirectory; }

  void accept() override;

 private:
  void ShowDirectory(const QString& path);

  QFileSystemModel* FModel;
  QTreeView* tvwDirectories;
  QLineEdit* edtDirectory;
  TConfirmCreateDirectory FConfirm;
  // Where a relative name is taken from: the directory last shown.
  QString FCurrent;
  QString FDirectory;
};

// Shows the chooser at start. Nothing when cancelled; a directory that did not
// exist has been created with every missing level when the user agreed.
std::optional<QString> ChooseDirectoryDialog(QWidget* parent, const QString& start,
                                             TConfirmCreateDirectory confirm = {});
