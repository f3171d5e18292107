// SPDX-License-Identifier: MIT
#include "recentfilesmenu.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include "corepath.h"
#include "errorguard.h"
#include "prompts.h"
#include "stringtable.h"

TRecentFilesMenu::TRecentFilesMenu(QMenu& menu, QAction* before, TPrompts& prompts, QWidget& window,
                                   std::string settingsFile, TOpenEvent open)
    : QObject(&window),
      FPrompts(prompts),
      FWindow(window),
      FSettingsFile(std::move(settingsFile)),
      FOpen(std::move(open)) {
  for (std::size_t i = 0; i < TRecentFiles::MaxCount; ++i) {
    auto* entry = new QAction(this);
    entry->setObjectName(QStringLiteral("actFileRecent%1").arg(i + 1));
    const int index = int(i);
    connect(entry, &QAction::triggered, this, [this, index] {
      runGuarded(FPrompts, &FWindow, [this, index] { entryChosen(index); });
    });
    FEntries << entry;
  }
  menu.insertActions(before, FEntries);
  FSeparator = menu.insertSeparator(before);
  runGuarded(prompts, &window, [this] { FFiles.Read(TIniProfile(FSettingsFile)); });
  refresh();
}

void TRecentFilesMenu::fileOpened(const QString& fileName) {
  FFiles.Add(corePath(QFileInfo(fileName).absoluteFilePath()));
  refresh();
  save();
}

QString TRecentFilesMenu::lastFile() const {
  return fromCorePath(FFiles.Last());
}

void TRecentFilesMenu::refresh() {
  const std::vector<std::string>& files = FFiles.Files();
  for (qsizetype i = 0; i < FEntries.size(); ++i) {
    QAction* entry = FEntries[i];
    const bool used = std::size_t(i) < files.size();
    entry->setVisible(used);
    if (!used) continue;
    QString path = QDir::toNativeSeparators(fromCorePath(files[std::size_t(i)]));
    // An ampersand in a path is a character, not a mnemonic.
    path.replace(QLatin1Char('&'), QStringLiteral("&&"));
    entry->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
  }
  FSeparator->setVisible(!files.empty());
}

void TRecentFilesMenu::entryChosen(int index) {
  if (std::size_t(index) >= FFiles.Files().size()) return;
  const std::string path = FFiles.Files()[std::size_t(index)];
  const QString fileName = fromCorePath(path);
  // A folder opens as the set of its object files.
  if (const QFileInfo info(fileName); info.isFile() || info.isDir()) {
    FOpen(fileName);
    return;
  }
  if (!FPrompts.Confirm(
          &FWindow, str::text(str::ConfirmTitle),
          str::format(str::RecentFileMissingFormat, QDir::toNativeSeparators(fileName))))
    return;
  FFiles.Remove(path);
  refresh();
  save();
}

void TRecentFilesMenu::save() {
  TIniProfile profile(FSettingsFile);
  FFiles.Write(profile);
}
