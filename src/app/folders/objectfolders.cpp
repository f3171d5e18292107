// SPDX-License-Identifier: MIT
#include "objectfolders.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QWidget>

#include "busycursor.h"
#include "corepath.h"
#include "errorguard.h"
#include "objectorder.h"
#include "prompts.h"
#include "stringtable.h"

TObjectFolders::TObjectFolders(IFoldersHost& host) : QObject(&host.hostWindow()), FHost(host) {
  struct {
    QAction*& Action;
    const char* Name;
    const char* Caption;
    void (TObjectFolders::*Execute)();
  } const actions[] = {
      {actFileOpenFolder, "actFileOpenFolder", str::ActFileOpenFolder,
       &TObjectFolders::actFileOpenFolderExecute},
      {actFileCompareWithFolder, "actFileCompareWithFolder", str::ActFileCompareWithFolder,
       &TObjectFolders::actFileCompareWithFolderExecute},
      {actFileSaveAsOneFile, "actFileSaveAsOneFile", str::ActFileSaveAsOneFile,
       &TObjectFolders::actFileSaveAsOneFileExecute},
  };
  for (const auto& a : actions) {
    a.Action = new QAction(str::text(a.Caption), &host.hostWindow());
    a.Action->setObjectName(QLatin1String(a.Name));
    a.Action->setShortcutContext(Qt::WindowShortcut);
    connect(a.Action, &QAction::triggered, this, [this, execute = a.Execute] {
      runGuarded(FHost.prompts(), &FHost.hostWindow(), [this, execute] { (this->*execute)(); });
    });
    host.hostWindow().addAction(a.Action);
  }
}

TObjectFolders::~TObjectFolders() = default;

void TObjectFolders::updateActions() {
  actFileCompareWithFolder->setEnabled(FHost.fileLoaded());
  actFileSaveAsOneFile->setEnabled(FHost.fileLoaded());
}

void TObjectFolders::actFileOpenFolderExecute() {
  if (const auto path = FHost.prompts().OpenFolderName(&FHost.hostWindow(), FPath))
    FHost.OpenFile(*path);
}

void TObjectFolders::actFileCompareWithFolderExecute() {
  if (!FHost.fileLoaded()) return;
  if (const auto path = FHost.prompts().OpenFolderName(&FHost.hostWindow(), FPath))
    FHost.compareWith(*path);
}

void TObjectFolders::actFileSaveAsOneFileExecute() {
  if (!FHost.fileLoaded()) return;
  const QString proposed = FFolder ? folderName() + QStringLiteral(".txt") : QString();
  const std::optional<QString> target =
      FHost.prompts().SaveFileName(&FHost.hostWindow(), str::text(str::SaveAsOneFileTitle),
                                   str::text(str::FileFilter), proposed);
  if (!target) return;
  TBusyCursor busy;
  SaveAsOneFile(FHost.objectSet(), corePath(*target));
}

bool TObjectFolders::loadIfFolder(const QString& path) {
  clear();
  const std::string local = corePath(path);
  if (!IsObjectFolder(local)) return false;
  FHost.releaseFile();
  auto folder = std::make_unique<TObjectFolder>();
  folder->LoadFromFolder(local);
  FFolder = std::move(folder);
  FPath = path;
  return true;
}

void TObjectFolders::clear() {
  FFolder.reset();
  FPath.clear();
}

QString TObjectFolders::folderName() const {
  const QString clean = QDir::cleanPath(FPath);
  const QString name = QFileInfo(clean).fileName();
  // A drive's or the file system's root has no name of its own.
  return name.isEmpty() ? QDir::toNativeSeparators(clean) : name;
}

QString TObjectFolders::relativePath(int index) const {
  if (!FFolder || index < 0 || index >= FFolder->GetCount()) return {};
  return QDir::toNativeSeparators(
      fromCorePath(FFolder->RelativePath(index)));
}

QString TObjectFolders::loadNotice(const QString& count) const {
  if (!FFolder || FFolder->Skipped().empty()) return count;
  constexpr std::size_t Named = 3;
  QStringList names;
  for (std::size_t i = 0; i < FFolder->Skipped().size() && i < Named; ++i)
    names << QDir::toNativeSeparators(
        fromCorePath(FFolder->Skipped()[i]));
  if (FFolder->Skipped().size() > Named) names << QStringLiteral("...");
  return str::format(str::SkippedFilesFormat, count, names.join(QStringLiteral(", ")));
}

int TObjectFolders::compareFiles(int a, int b) const {
  if (!FFolder) return 0;
  return CompareText(FFolder->RelativePath(a), FFolder->RelativePath(b));
}

void SaveAsOneFile(const TObjectSet& set, const std::string& path) {
  WriteJoined(ExportOrder({&set}), path, {&set});
}
