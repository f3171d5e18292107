// SPDX-License-Identifier: MIT
#include "dialogprompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QMessageBox>

#include "apptitle.h"
#include "dirchooser.h"
#include "mergedialog.h"
#include "overwritebox.h"
#include "savedialog.h"

QString qtFileFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    entries << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
  return entries.join(QStringLiteral(";;"));
}

std::optional<QString> TDialogPrompts::OpenFileName(QWidget* parent, const QString& filter) {
  return OpenFileNameAt(parent, filter, QString());
}

std::optional<QString> TDialogPrompts::OpenFileNameAt(QWidget* parent, const QString& filter,
                                                      const QString& start) {
  if (!start.isEmpty()) FLastOpened = start;
  const QString qtFilter = qtFileFilter(filter);
  QString selected = qtFilter.section(QStringLiteral(";;"), 0, 0);
  const QString name =
      QFileDialog::getOpenFileName(parent, QString(), FLastOpened, qtFilter, &selected);
  if (name.isEmpty()) return std::nullopt;
  FLastOpened = name;
  return name;
}

std::optional<QString> TDialogPrompts::SaveFileName(QWidget* parent, const QString& title,
                                                    const QString& filter,
                                                    const QString& proposed) {
  const QString qtFilter = qtFileFilter(filter);
  TSaveDialog dialog(parent, title, proposed, qtFilter);
  dialog.selectNameFilter(qtFilter.section(QStringLiteral(";;"), 0, 0));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QString name = dialog.selectedFiles().value(0);
  if (name.isEmpty()) return std::nullopt;
  return name;
}

std::optional<QString> TDialogPrompts::ChooseDirectory(QWidget* parent, const QString& start) {
  return ChooseDirectoryDialog(parent, start);
}

std::optional<QString> TDialogPrompts::OpenFolderName(QWidget* parent, const QString& start) {
  const QString name = QFileDialog::getExistingDirectory(parent, QString(), start);
  if (name.isEmpty()) return std::nullopt;
  return name;
}

std::optional<QFont> TDialogPrompts::ChooseFont(QWidget* parent, const QFont& initial) {
  QFontDialog dialog(initial, parent);
  dialog.setOption(QFontDialog::DontUseNativeDialog);
  // No effects are offered: the group with underline and strike-out goes.
  for (QGroupBox* group : dialog.findChildren<QGroupBox*>())
    if (!group->findChildren<QCheckBox*>().isEmpty()) group->hide();
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  QFont chosen = dialog.selectedFont();
  chosen.setUnderline(initial.underline());
  chosen.setStrikeOut(initial.strikeOut());
  return chosen;
}

TOverwriteAnswer TDialogPrompts::AskOverwrite(QWidget* parent, const QString& fileName) {
  return AskOverwriteBox(parent, fileName);
}

void TDialogPrompts::ShowError(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Critical, applicationTitle(), message, QMessageBox::Ok, parent);
  box.exec();
}

void TDialogPrompts::ShowMessage(QWidget* parent, const QString& title, const QString& text) {
  // Lines may be separated by a lone CR, which a label would not break at.
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
  QMessageBox box(QMessageBox::NoIcon, title, lines, QMessageBox::Ok, parent);
  box.exec();
}

bool TDialogPrompts::Confirm(QWidget* parent, const QString& title, const QString& text) {
  return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

std::optional<int> TDialogPrompts::AskNumber(QWidget* parent, const QString& title,
                                             const QString& label, int value, int minimum,
                                             int maximum) {
  bool ok = false;
  const int number = QInputDialog::getInt(parent, title, label, value, minimum, maximum, 1, &ok);
  if (!ok) return std::nullopt;
  return number;
}

void TDialogPrompts::Beep() {
  QApplication::beep();
}

std::optional<QStringList> TDialogPrompts::AskMergeInputs(QWidget* parent) {
  return AskMergeInputsDialog(parent);
}
