// SPDX-License-Identifier: MIT
#include "mergedialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "dialogprompts.h"
#include "stringtable.h"

TMergeDialog::TMergeDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(str::text(str::MergeTitle));
  auto* grid = new QGridLayout(this);
  const char* const captions[3] = {str::MergeOriginal, str::MergeModified, str::MergeTarget};
  for (int side = 0; side < 3; ++side) {
    auto* label = new QLabel(str::text(captions[side]), this);
    FPaths[side] = new QLineEdit(this);
    FPaths[side]->setMinimumWidth(360);
    label->setBuddy(FPaths[side]);
    auto* browse = new QPushButton(str::text(str::MergeBrowse), this);
    auto* folder = new QPushButton(str::text(str::MergeBrowseFolder), this);
    grid->addWidget(label, side * 2, 0, 1, 3);
    grid->addWidget(FPaths[side], side * 2 + 1, 0);
    grid->addWidget(browse, side * 2 + 1, 1);
    grid->addWidget(folder, side * 2 + 1, 2);
    connect(browse, &QPushButton::clicked, this, [this, side] { this->browse(side, false); });
    connect(folder, &QPushButton::clicked, this, [this, side] { this->browse(side, true); });
    connect(FPaths[side], &QLineEdit::textChanged, this, &TMergeDialog::updateOk);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  FOk = buttons->button(QDialogButtonBox::Ok);
  grid->addWidget(buttons, 6, 0, 1, 3);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  updateOk();
}

QStringList TMergeDialog::paths() const {
  return {FPaths[0]->text(), FPaths[1]->text(), FPaths[2]->text()};
}

void TMergeDialog::browse(int side, bool folder) {
  // Each side starts where another was chosen, as the three usually lie together.
  QString start = FPaths[side]->text();
  for (int other = 0; other < 3 && start.isEmpty(); ++other) start = FPaths[other]->text();
  const QString name = folder
                           ? QFileDialog::getExistingDirectory(this, QString(), start)
                           : QFileDialog::getOpenFileName(this, QString(), start,
                                                          qtFileFilter(str::text(str::FileFilter)));
  if (!name.isEmpty()) FPaths[side]->setText(name);
}

void TMergeDialog::updateOk() {
  const QStringList all = paths();
  FOk->setEnabled(
      std::none_of(all.begin(), all.end(), [](const QString& p) { return p.trimmed().isEmpty(); }));
}

std::optional<QStringList> AskMergeInputsDialog(QWidget* parent) {
  TMergeDialog dialog(parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.paths();
}
