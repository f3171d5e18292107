// SPDX-License-Identifier: MIT
#include "finddialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFindDialog::TFindDialog(QWidget* parent)
    : QDialog(parent),
      edtFindWhat(new QLineEdit(this)),
      chkMatchCase(new QCheckBox(QStringLiteral("Match &case"), this)),
      btnFindNext(new QPushButton(QStringLiteral("&Find Next"), this)),
      btnCancel(new QPushButton(QStringLiteral("Cancel"), this)) {
  setWindowTitle(QStringLiteral("Find"));
  setModal(false);

  edtFindWhat->setMaxLength(MaxFindTextLength);
  auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
  label->setBuddy(edtFindWhat);
  btnFindNext->setDefault(true);
  btnFindNext->setEnabled(false);

  connect(edtFindWhat, &QLineEdit::textChanged, this,
          [this](const QString& text) { btnFindNext->setEnabled(!text.isEmpty()); });
  connect(btnFindNext, &QPushButton::clicked, this, &TFindDialog::FindNext);
  connect(btnCancel, &QPushButton::clicked, this, &TFindDialog::reject);

  auto* layout = new QGridLayout(this);
  layout->addWidget(label, 0, 0);
  layout->addWidget(edtFindWhat, 0, 1);
  layout->addWidget(btnFindNext, 0, 2);
  layout->addWidget(chkMatchCase, 1, 0, 1, 2, Qt::AlignLeft | Qt::AlignTop);
  layout->addWidget(btnCancel, 1, 2, Qt::AlignTop);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  edtFindWhat->setMinimumWidth(edtFindWhat->fontMetrics().averageCharWidth() * 28);
}

QString TFindDialog::FindText() const {
  return edtFindWhat->text();
}

void TFindDialog::SetFindText(const QString& text) {
  edtFindWhat->setText(text);
}

bool TFindDialog::MatchCase() const {
  return chkMatchCase->isChecked();
}

void TFindDialog::SetMatchCase(bool on) {
  chkMatchCase->setChecked(on);
}

void TFindDialog::ShowOrRaise() {
  if (!isVisible()) {
    if (FLastPos) move(*FLastPos);
    show();
    edtFindWhat->setFocus();
    edtFindWhat->selectAll();
  }
  raise();
  activateWindow();
}

void TFindDialog::hideEvent(QHideEvent* event) {
  FLastPos = pos();
  QDialog::hideEvent(event);
}

void TFindDialog::FindNext() {
  if (FindText().isEmpty()) return;
  emit Find();
  // The search selects things in the window behind; the dialog keeps the focus.
  if (isVisible()) activateWindow();
}
