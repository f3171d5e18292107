// SPDX-License-Identifier: MIT
// The save dialog of a single export: a file whose folder must exist.
#pragma once

#include <QFileDialog>

class TSaveDialog : public QFileDialog {
  Q_OBJECT

 public:
  TSaveDialog(QWidget* parent, const QString& title, const QString& proposed,
              const QString& filter);

 public slots:
  // A name in a folder that does not exist is refused with a message and the
  // dialog stays open, as the platform's own dialog does on Windows.
  void accept() override;
};
