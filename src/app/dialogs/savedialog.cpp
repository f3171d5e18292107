// SPDX-License-Identifier: MIT
#include "savedialog.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include "stringtable.h"

TSaveDialog::TSaveDialog(QWidget* parent, const QString& title, const QString& proposed,
                         const QString& filter)
    : QFileDialog(parent, title, proposed, filter) {
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
}

void TSaveDialog::accept() {
  const QString file = selectedFiles().value(0);
  const QFileInfo info(file);
  if (!file.isEmpty() && !info.isDir() && !info.absoluteDir().exists()) {
    QMessageBox::warning(this, windowTitle(),
                         str::format(str::FolderMissingFormat, QDir::toNativeSeparators(file)));
    return;
  }
  QFileDialog::accept();
}
