// SPDX-License-Identifier: MIT
#include "dirchooser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <QVBoxLayout>
#include <memory>

#include "corepath.h"
#include "osfile.h"
#include "overwritebox.h"

TDirectoryChooser::TDirectoryChooser(QWidget* parent, const QString& start,
                                     TConfirmCreateDirectory confirm)
    : QDialog(parent),
      FModel(new QFileSystemModel(this)),
      tvwDirectories(new QTreeView(this)),
      edtDirectory(new QLineEdit(this)),
      FConfirm(confirm ? std::move(confirm) : TConfirmCreateDirectory(AskCreateDirectoryBox)) {
  setWindowTitle(QStringLiteral("Select Directory"));

  FModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  FModel->setRootPath(QString());
  tvwDirectories->setModel(FModel);
  tvwDirectories->setHeaderHidden(true);
  for (int column = 1; column < FModel->columnCount(); ++column) tvwDirectories->hideColumn(column);
  connect(tvwDirectories->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) ShowDirectory(FModel->filePath(current));
          });

  auto* label = new QLabel(QStringLiteral("&Directory name:"), this);
  label->setBuddy(edtDirectory);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TDirectoryChooser::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TDirectoryChooser::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(edtDirectory);
  layout->addWidget(tvwDirectories, 1);
  layout->addWidget(buttons);
  resize(420, 380);

  ShowDirectory(start);
  const QModelIndex startIndex = FModel->index(QDir::fromNativeSeparators(start));
  if (startIndex.isValid()) {
    tvwDirectories->setCurrentIndex(startIndex);
    tvwDirectories->expand(startIndex);
    // The model reads directories in the background: the start can only be
    // scrolled to once its siblings are there.
    const QPersistentModelIndex target(startIndex);
    auto scrolled = std::make_shared<QMetaObject::Connection>();
    *scrolled = connect(FModel, &QFileSystemModel::directoryLoaded, this,
                        [this, target, scrolled](const QString& path) {
                          if (!target.isValid() || path != FModel->filePath(target.parent()))
                            return;
                          // Sorted now rather than later, so the start stays where it is shown.
                          FModel->sort(0);
                          tvwDirectories->scrollTo(target, QAbstractItemView::PositionAtCenter);
                          disconnect(*scrolled);
                        });
  }
  edtDirectory->setFocus();
}

void TDirectoryChooser::ShowDirectory(const QString& path) {
  FCurrent = path;
  edtDirectory->setText(QDir::toNativeSeparators(path));
}

void TDirectoryChooser::accept() {
  const QString typed = edtDirectory->text();
  if (typed.isEmpty()) {
    // Left to the export, which reports it.
    FDirectory.clear();
    QDialog::accept();
    return;
  }
  const QString path = QDir::toNativeSeparators(
      QDir::cleanPath(QDir(FCurrent).absoluteFilePath(QDir::fromNativeSeparators(typed))));
  if (!QFileInfo(path).isDir()) {
    if (!FConfirm(this)) {
      edtDirectory->setFocus();
      return;
    }
    try {
      vexa::ForceDirectories(corePath(path));
    } catch (const FileError&) {
      // No message of its own: writing the first file into it tells why.
    }
  }
  FDirectory = path;
  QDialog::accept();
}

std::optional<QString> ChooseDirectoryDialog(QWidget* parent, const QString& start,
                                             TConfirmCreateDirectory confirm) {
  TDirectoryChooser chooser(parent, start, std::move(confirm));
  if (chooser.exec() != QDialog::Accepted) return std::nullopt;
  return chooser.Directory();
}
